#pragma once
#include <string>
#include <string_view>

#include "text/clock.h"
#include "text/utf8_text.h"

// The bytes one log line takes in the file: the text in UTF-8 and CR LF.
std::string LogLineBytes(std::wstring_view text);

// The log beside the program: the program's path with its extension replaced by ".log".
std::wstring LogPathForProgram(const std::wstring& programPath);

// "Tarnvik log file  - 2017/03/05,14:07:09"
std::wstring LogHeaderLine(ClockValue now);

#pragma once
#include <string>

// UTF-8 as the Linux command line gives it; malformed bytes become U+FFFD.
std::wstring WideFromUtf8(const std::string& text);
// Wide text as UTF-8, for the programs and files of the Linux build.
std::string Utf8FromWide(const std::wstring& text);

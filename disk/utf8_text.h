#pragma once
#include <string>

// UTF-8 as the Linux command line gives it; malformed bytes become U+FFFD.
std::wstring WideFromUtf8(const std::string& text);

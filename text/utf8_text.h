#pragma once
#include <string>
#include <string_view>

// UTF-8 without byte-order mark; lone surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);
// UTF-8 as the Linux command line gives it; malformed bytes become U+FFFD.
std::wstring WideFromUtf8(const std::string& text);

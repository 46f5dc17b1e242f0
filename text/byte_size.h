#pragma once
#include <cstdint>
#include <string>

// "0 b ", "1.50 KB", "1023 KB", "99.99 GB": powers of 1024, decimals cut, never rounded.
std::wstring FormatByteSize(int64_t bytes);

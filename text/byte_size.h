#pragma once
#include <cstdint>
#include <string>

// "0 b ", "1.50 KB", "1023 KB", "99.99 GB": powers of 1024, decimals cut, never rounded.
std::wstring FormatByteSize(int64_t bytes);

// The smallest count above bytes whose FormatByteSize text may differ from that of bytes; every
// count from bytes up to it, exclusive, has the same text. Lets a report made after every chunk
// skip building a text that cannot have changed.
int64_t NextByteSizeChange(int64_t bytes);

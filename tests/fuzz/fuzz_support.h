#pragma once
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A broken property counts as a finding like a crash: libFuzzer keeps the input that broke it.
inline void Require(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}

// Text in which what the parsers look at (blanks, tabs, quotes, slashes, letters) is likely, while
// a byte from 0xF0 up opens an escape for any code point, surrogates included.
inline std::wstring ConsumeWide(FuzzedDataProvider& input, size_t maxBytes = 400) {
    const std::string bytes = input.ConsumeRandomLengthString(maxBytes);
    std::wstring text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto lead = static_cast<uint8_t>(bytes[i]);
        if (lead < 0xF0 || i + 2 >= bytes.size()) {
            text.push_back(static_cast<wchar_t>(lead));
            continue;
        }
        const uint32_t plane = (lead - 0xF0u) % 0x11u;
        const uint32_t code = plane << 16 |
                              static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 8 |
                              static_cast<uint8_t>(bytes[i + 2]);
        text.push_back(static_cast<wchar_t>(code));
        i += 2;
    }
    return text;
}

inline bool StartsWith(const std::wstring& text, const std::wstring& start) {
    return text.compare(0, start.size(), start) == 0;
}

#include "disk/fat_label.h"

#include <cstdint>
#include <cstring>

namespace {

bool Forbidden(wchar_t c) {
    return c < 0x20 || c > 0x7E || std::wcschr(L"\"*+,./:;<=>?[\\]|", c) != nullptr;
}

size_t Utf16Length(const std::wstring& text) {
    size_t units = 0;
    for (wchar_t c : text)
        units += sizeof(wchar_t) == 4 && static_cast<uint32_t>(c) > 0xFFFF ? 2 : 1;
    return units;
}

}  // namespace

FatLabel MakeFatLabel(const std::wstring& typed) {
    FatLabel label;
    label.bytes.fill(' ');
    size_t length = 0;
    for (wchar_t c : typed) {
        if (length == label.bytes.size()) break;
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        label.bytes[length++] = Forbidden(c) ? '_' : static_cast<char>(c);
        if (label.bytes[length - 1] != ' ') label.named = true;
    }
    if (!label.named) std::memcpy(label.bytes.data(), "NO NAME    ", label.bytes.size());
    return label;
}

std::wstring NtfsLabel(const std::wstring& typed) {
    constexpr size_t kUnits = 32;
    std::wstring label;
    for (wchar_t c : typed) {
        // UTF-16 units where wchar_t has 16 bits; a whole character where it has 32.
        const size_t units = sizeof(wchar_t) == 4 && static_cast<uint32_t>(c) > 0xFFFF ? 2 : 1;
        if (Utf16Length(label) + units > kUnits) break;
        label.push_back(c);
    }
    if (sizeof(wchar_t) == 2 && !label.empty() && label.back() >= 0xD800 && label.back() < 0xDC00)
        label.pop_back();
    return label;
}

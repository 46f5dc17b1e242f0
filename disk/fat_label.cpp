#include "disk/fat_label.h"

#include <cstdint>
#include <cstring>

namespace {

bool Forbidden(wchar_t c) {
    return c < 0x20 || c > 0x7E || std::wcschr(L"\"*+,./:;<=>?[\\]|", c) != nullptr;
}

// UTF-16 units of one wchar_t: two for a character beyond the basic plane where wchar_t holds
// whole characters (Linux); one where it is a UTF-16 unit already (Windows).
size_t Utf16Units(wchar_t c) {
    return static_cast<uint32_t>(c) >> 16 != 0 ? 2 : 1;
}

bool HighSurrogate(wchar_t c) {
    return static_cast<uint32_t>(c) >= 0xD800 && static_cast<uint32_t>(c) < 0xDC00;
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
    size_t units = 0;
    for (wchar_t c : typed) {
        units += Utf16Units(c);
        if (units > kUnits) break;
        label.push_back(c);
    }
    // The cut fell between the two halves of a UTF-16 pair.
    if (units > kUnits && !label.empty() && HighSurrogate(label.back())) label.pop_back();
    return label;
}

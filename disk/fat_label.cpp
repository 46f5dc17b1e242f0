#include "disk/fat_label.h"

#include <cstring>

namespace {

bool Forbidden(wchar_t c) {
    return c < 0x20 || c > 0x7E || std::wcschr(L"\"*+,./:;<=>?[\\]|", c) != nullptr;
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

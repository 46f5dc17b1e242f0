#include <windows.h>

#include "tools/folders.h"

std::wstring CurrentFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring FullPath(const std::wstring& path) {
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return path;
    full.resize(length);
    return full;
}

std::wstring TempFolder() {
    wchar_t shortForm[MAX_PATH + 1] = {};
    if (!GetTempPathW(MAX_PATH + 1, shortForm)) return {};
    std::wstring folder(GetLongPathNameW(shortForm, nullptr, 0), L'\0');
    const DWORD length =
        GetLongPathNameW(shortForm, folder.data(), static_cast<DWORD>(folder.size()));
    folder =
        length > 0 && length < folder.size() ? folder.substr(0, length) : std::wstring(shortForm);
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

#include <windows.h>

#include "tools/folders.h"

std::wstring CurrentFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

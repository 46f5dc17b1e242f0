// The yardstick for the additional-files copy: the same tree copied by Windows' own copy engine
// (CopyFileExW, which carries attributes and times), folders created as it goes.
// Usage: reference_copy SOURCE_FOLDER TARGET_FOLDER
#include <windows.h>

#include <string>

namespace {

bool CopyTree(const std::wstring& source, const std::wstring& target) {
    CreateDirectoryW(target.c_str(), nullptr);
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((source + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ok = CopyTree(source + L"\\" + name, target + L"\\" + name) && ok;
            SetFileAttributesW((target + L"\\" + name).c_str(), entry.dwFileAttributes);
        } else {
            ok = CopyFileExW((source + L"\\" + name).c_str(), (target + L"\\" + name).c_str(),
                             nullptr, nullptr, nullptr, 0) &&
                 ok;
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    return CopyTree(argv[1], argv[2]) ? 0 : 1;
}

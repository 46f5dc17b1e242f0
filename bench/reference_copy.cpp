// The yardsticks for the additional-files copy: the same tree copied by Windows' own copy engine
// (CopyFileExW, which carries attributes and times), folders created as it goes; or, with
// --chunks, by a bare loop of 4096-byte ReadFile and WriteFile calls per file, nothing else: the
// floor of a copy made in the design's chunks.
// Usage: reference_copy [--chunks] SOURCE_FOLDER TARGET_FOLDER
#include <windows.h>

#include <cwchar>
#include <string>

#include "tools/unique_handle_win32.h"

namespace {

bool g_chunks = false;

bool CopyInChunks(const std::wstring& source, const std::wstring& target) {
    const UniqueHandle in(CreateFileW(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) return false;
    UniqueHandle out(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    static char buffer[4096];
    for (;;) {
        DWORD got = 0, written = 0;
        if (!ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr)) return false;
        if (got == 0) break;
        if (!WriteFile(out.get(), buffer, got, &written, nullptr) || written != got) return false;
        if (got < sizeof buffer) break;
    }
    return out.Close();
}

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
            if (!g_chunks)
                SetFileAttributesW((target + L"\\" + name).c_str(), entry.dwFileAttributes);
        } else if (g_chunks) {
            ok = CopyInChunks(source + L"\\" + name, target + L"\\" + name) && ok;
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
    g_chunks = argc == 4 && std::wcscmp(argv[1], L"--chunks") == 0;
    if (argc != (g_chunks ? 4 : 3)) return 2;
    return CopyTree(argv[argc - 2], argv[argc - 1]) ? 0 : 1;
}

#pragma once
// Files for the test programs and the stand-ins and test units they run, which pass each other
// small files: read and written whole, and folders emptied.
#include <windows.h>

#include <string>

namespace support {

// Any sharing allowed, since the other side may be about to replace or delete the file.
inline bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return true;
}

inline std::string FileText(const std::wstring& path) {
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
}

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes,
                           bool append = false) {
    HANDLE file =
        CreateFileW(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ,
                    nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        bytes.empty() ||
        (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size());
    CloseHandle(file);
    return ok;
}

// Deletes everything inside a folder, read-only files too, but the entry named keep.
inline void EmptyFolder(const std::wstring& folder, const std::wstring& keep = L"") {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = entry.cFileName, child = folder + L"\\" + name;
        if (name == L"." || name == L".." || name == keep) continue;
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            EmptyFolder(child);
            RemoveDirectoryW(child.c_str());
        } else {
            DeleteFileW(child.c_str());
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

// A variable's value; empty when it is not set.
inline std::wstring Variable(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

// Where a stand-in keeps its journal and finds its orders: the folder the test names (Tarnvik
// copies its tools into a folder of its own, which the test cannot write), else its own.
inline std::wstring StandInFolder() {
    const std::wstring named = Variable(L"TARNVIK_TEST_STANDIN_FOLDER");
    if (!named.empty()) return named;
    wchar_t path[MAX_PATH];
    const std::wstring own(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return own.substr(0, own.find_last_of(L'\\') + 1);
}

}  // namespace support

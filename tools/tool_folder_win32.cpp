// Before any header: asks the C library for rand_s, which draws from the system's random source.
#define _CRT_RAND_S
#include <stdlib.h>

#include "tools/tool_folder_win32.h"

#include <sddl.h>

#include <cwchar>

namespace {

constexpr wchar_t kNamePrefix[] = L"Tarnvik-tools-";
// Owner Administrators; a protected list (nothing inherited from the temp folder) allowing only
// SYSTEM and Administrators, passed on to the files made inside.
constexpr wchar_t kSecurity[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
// How long the removal waits for the last tool's console to let go of the folder.
constexpr ULONGLONG kReleaseWaitMs = 1000;
// Names drawn anew when one is taken; 64 random bits make a second clash unlikely already.
constexpr int kNameTries = 8;

std::wstring RandomName() {
    unsigned int parts[2] = {};
    for (unsigned int& part : parts) {
        if (rand_s(&part) != 0) return {};
    }
    wchar_t name[40] = {};
    std::swprintf(name, 40, L"%ls%08x%08x", kNamePrefix, parts[0], parts[1]);
    return name;
}

void DeleteToolFiles(const std::wstring& folder) {
    for (const wchar_t* name : {kBooticeFileName, kSevenZipFileName, kSevenZipLibFileName})
        DeleteFileW((folder + name).c_str());
}

}  // namespace

UniqueLocalMemory ToolFolderSecurity() {
    PSECURITY_DESCRIPTOR security = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kSecurity, SDDL_REVISION_1, &security,
                                                              nullptr)) {
        return {};
    }
    return UniqueLocalMemory(security);
}

bool ToolFolder::Create(const std::wstring& parent) {
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const std::wstring name = RandomName();
        if (name.empty()) return false;
        if (CreateNamed(parent, name)) return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool ToolFolder::CreateNamed(const std::wstring& parent, const std::wstring& name) {
    Remove();
    if (parent.empty()) return false;
    const UniqueLocalMemory security = ToolFolderSecurity();
    if (!security) return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.get(), FALSE};
    const std::wstring folder = parent + name;
    // Fails on any existing entry of that name: a folder someone else made is never used.
    if (!CreateDirectoryW(folder.c_str(), &attributes)) return false;
    folder_.reset(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder_) {
        RemoveDirectoryW(folder.c_str());
        return false;
    }
    path_ = folder + L"\\";
    return true;
}

void ToolFolder::Remove() {
    if (path_.empty()) return;
    DeleteToolFiles(path_);
    folder_.reset();
    // The console a hidden tool ran in lets go of its working folder, and the system of the tool
    // just deleted, a few tens of milliseconds after the tool's end. What still holds the folder
    // after that leaves it to the next start.
    const std::wstring folder = path_.substr(0, path_.size() - 1);
    const ULONGLONG deadline = GetTickCount64() + kReleaseWaitMs;
    while (!RemoveDirectoryW(folder.c_str()) &&
           (GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_DIR_NOT_EMPTY) &&
           GetTickCount64() < deadline) {
        Sleep(10);
    }
    path_.clear();
}

void RemoveStaleToolFolders(const std::wstring& parent) {
    if (parent.empty()) return;
    WIN32_FIND_DATAW found{};
    const UniqueFindHandle search(FindFirstFileExW((parent + kNamePrefix + L"*").c_str(),
                                                   FindExInfoStandard, &found,
                                                   FindExSearchLimitToDirectories, nullptr, 0));
    if (!search) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        const std::wstring folder = parent + found.cFileName;
        // Shared with nobody: a running copy of the program holds its folder, and this open fails.
        // A link planted under such a name must not lead our deletions elsewhere, and held, the
        // folder cannot be swapped for one before them.
        UniqueHandle held(
            CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES | DELETE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        BY_HANDLE_FILE_INFORMATION opened{};
        if (!held || !GetFileInformationByHandle(held.get(), &opened) ||
            (opened.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            continue;
        }
        DeleteToolFiles(folder + L"\\");
        FILE_DISPOSITION_INFO gone{TRUE};
        SetFileInformationByHandle(held.get(), FileDispositionInfo, &gone, sizeof gone);
    } while (FindNextFileW(search.get(), &found));
}

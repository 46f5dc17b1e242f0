#include "job/add_files_walk.h"

#include <cwchar>

namespace {

constexpr uint32_t kDirectory = 0x10;
constexpr uint32_t kReparsePoint = 0x400;

struct Counters {
    int64_t files = 0;
    int64_t bytes = 0;
};

AddFilesEntry EntryFrom(const ListedEntry& listed, const std::wstring& relative, int8_t kind) {
    return {relative,
            listed.name,
            listed.attributes,
            listed.creationTime,
            listed.lastAccessTime,
            listed.lastWriteTime,
            kind == kFolderEntry ? 0 : listed.size,
            kind};
}

void Walk(std::wstring folder, const std::wstring& pattern, const std::wstring& relative,
          const FolderLister& list, std::vector<AddFilesEntry>& entries, Counters& counters) {
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    for (const ListedEntry& listed : list(folder, L"*.*")) {
        if (!(listed.attributes & kDirectory) || listed.name == L"." || listed.name == L"..")
            continue;
        entries.push_back(EntryFrom(listed, relative, kFolderEntry));
        // A junction or folder link is recreated as a folder but not followed: it could loop.
        if (listed.attributes & kReparsePoint) continue;
        Walk(folder + listed.name, pattern, relative + listed.name + L"\\", list, entries,
             counters);
    }
    for (const ListedEntry& listed : list(folder, pattern.empty() ? L"*.*" : pattern)) {
        if (listed.attributes & kDirectory) continue;
        ++counters.files;
        counters.bytes += listed.size;
        entries.push_back(EntryFrom(listed, relative, kFileEntry));
    }
}

}  // namespace

std::wstring WalkAddFiles(const std::wstring& folder, const std::wstring& pattern,
                          const FolderLister& list, std::vector<AddFilesEntry>& entries) {
    entries.clear();
    Counters counters;
    Walk(folder, pattern, L"", list, entries, counters);
    return std::to_wstring(counters.files) + L"|" + std::to_wstring(counters.bytes);
}

bool ParseWalkResult(const std::wstring& result, int64_t& count, int64_t& total) {
    const size_t bar = result.find(L'|');
    if (bar == std::wstring::npos) return false;
    count = std::wcstoll(result.c_str(), nullptr, 10);
    total = std::wcstoll(result.c_str() + bar + 1, nullptr, 10);
    return true;
}

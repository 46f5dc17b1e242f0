#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One folder or file found under the additional-files folder.
struct AddFilesEntry {
    std::wstring relative;  // folders from the top down to the parent, each with a backslash
    std::wstring name;
    uint32_t attributes = 0;
    // The system's own time values (FILETIME), kept exactly so that nothing shifts on the way.
    uint64_t creationTime = 0;
    uint64_t lastAccessTime = 0;
    uint64_t lastWriteTime = 0;
    int64_t size = 0;  // 0 for folders
    int8_t kind = 0;   // 1 file, 2 folder
};

constexpr int8_t kFileEntry = 1;
constexpr int8_t kFolderEntry = 2;
// Clears directory, sparse, offline, not-content-indexed and virtual; keeps the rest.
constexpr uint32_t kAttributeMask = 0xFFFECDEF;

// What a directory listing gives for one name; the platform layer supplies it.
struct ListedEntry {
    std::wstring name;
    uint32_t attributes = 0;
    uint64_t creationTime = 0, lastAccessTime = 0, lastWriteTime = 0;
    int64_t size = 0;
};
// Lists a folder (ending in a backslash) with a pattern; nothing for a folder it cannot read.
using FolderLister = std::function<std::vector<ListedEntry>(const std::wstring& folder,
                                                            const std::wstring& pattern)>;

// Collects the entries under a folder depth first: each folder before its content, within a
// folder its sub-folders (each followed by its content) before its own files. Returns
// "count|total" of the files found.
std::wstring WalkAddFiles(const std::wstring& folder, const std::wstring& pattern,
                          const FolderLister& list, std::vector<AddFilesEntry>& entries);

// The file count and total size out of WalkAddFiles' result.
bool ParseWalkResult(const std::wstring& result, int64_t& count, int64_t& total);

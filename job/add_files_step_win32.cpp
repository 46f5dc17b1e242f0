#include <vector>

#include "job/add_files_copy_win32.h"
#include "job/add_files_size.h"
#include "job/add_files_walk.h"
#include "job/job_end_win32.h"
#include "job/job_worker_win32.h"
#include "text/byte_size.h"
#include "tools/path_size.h"
#include "tools/unique_handle_win32.h"

namespace {

uint64_t Ticks(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::vector<ListedEntry> ListFolder(const std::wstring& folder, const std::wstring& pattern) {
    std::vector<ListedEntry> listed;
    WIN32_FIND_DATAW found;
    const UniqueFindHandle find(FindFirstFileW((folder + pattern).c_str(), &found));
    if (!find) return listed;
    do {
        listed.push_back({found.cFileName, found.dwFileAttributes, Ticks(found.ftCreationTime),
                          Ticks(found.ftLastAccessTime), Ticks(found.ftLastWriteTime),
                          (static_cast<int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow});
    } while (FindNextFileW(find.get(), &found));
    return listed;
}

// The attributes a caller may set (the driver kit's FILE_ATTRIBUTE_VALID_SET_FLAGS): a change that
// names another, such as compressed or encrypted, is refused whole, times included.
constexpr DWORD kSettableAttributes = 0x31A7;

// Attributes and the three times in one change on one handle, the change the system's own
// attribute call makes, instead of four. The handle asks only for attribute writes, so read-only
// files take them. A zero in the record means "leave alone": "normal" beside the others makes
// cleared attributes clear, and is dropped where others are set.
void ApplyAttributesAndTimes(const std::wstring& path, const AddFilesEntry& entry) {
    const UniqueHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return;
    FILE_BASIC_INFO basic{};
    basic.CreationTime.QuadPart = static_cast<LONGLONG>(entry.creationTime);
    basic.LastAccessTime.QuadPart = static_cast<LONGLONG>(entry.lastAccessTime);
    basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(entry.lastWriteTime);
    basic.FileAttributes =
        (entry.attributes & kAttributeMask & kSettableAttributes) | FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic);
}

void FailCopy(Job& job) {
    FailJob(job, L"An error occurred while copying additional files to USB drive " +
                     job.choices.targetDrive);
}

enum class FileCopy { Copied, Skipped, Failed };

// Copies one file, raising the bytes counted as copied chunk by chunk.
// A file that cannot be opened or created is skipped and counts as done, so the bar still ends
// full.
FileCopy CopyOneFile(Job& job, const std::wstring& source, const std::wstring& target,
                     int64_t expectedSize, int64_t& added, int64_t addTotal,
                     int64_t& copiedSize) {
    UniqueHandle in(CreateFileW(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) {
        added += expectedSize;
        return FileCopy::Skipped;
    }
    LARGE_INTEGER length{};
    GetFileSizeEx(in.get(), &length);
    UniqueHandle out(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) {
        added += length.QuadPart;
        return FileCopy::Skipped;
    }
    int64_t counted = 0;
    job.stepText = L"Copy additional Files";
    for (;;) {
        const int64_t result =
            CopyChunk(in, out, job.settings.CopyBufferSize, length.QuadPart, counted);
        if (result == kChunkFailed) return FileCopy::Failed;
        const int64_t now = result > 0 ? result : length.QuadPart;
        added += now - counted;
        counted = now;
        job.Report(addTotal, added);
        if (result == 0) {
            copiedSize = length.QuadPart;
            return FileCopy::Copied;
        }
    }
}

}  // namespace

bool RunAddFiles(Job& job) {
    job.Begin(L"AddFiles");
    if (!job.choices.addFiles) return true;
    job.stepText = L"Copy additional Files";
    job.Report(100, 0);
    const std::wstring sourceRoot = AddFilesFolder();
    if (PathSize(sourceRoot) != kPathIsFolder) {
        job.Log(L"No additional files");
        return true;
    }
    std::vector<AddFilesEntry> entries;
    const std::wstring walked = WalkAddFiles(sourceRoot, L"", ListFolder, entries);
    if (entries.empty()) {
        job.Log(L"No additional files");
        return true;
    }
    int64_t fileCount = 0, addTotal = 0;
    ParseWalkResult(walked, fileCount, addTotal);
    if (addTotal <= 0) {
        job.Log(L"No additional files size 0 bytes");
        return true;
    }
    job.Log(L"Copy additional Files (" + FormatByteSize(addTotal) + L"), Number of files (" +
            std::to_wstring(fileCount) + L")");
    std::wstring drive = job.choices.targetDrive;
    if (drive.empty() || drive.back() != L'\\') drive += L'\\';
    if (!MakeFolderPath(drive, -1)) return true;

    int64_t added = 0;
    for (const AddFilesEntry& entry : entries) {
        if (CancelledAt(job)) return false;
        const std::wstring target = drive + entry.relative + entry.name;
        if (entry.kind == kFolderEntry) {
            MakeFolderPath(target, entry.attributes);
            continue;
        }
        if (PathSize(drive + entry.relative) != kPathIsFolder)
            MakeFolderPath(drive + entry.relative, -1);
        int64_t copiedSize = 0;
        const FileCopy copied = CopyOneFile(job, sourceRoot + entry.relative + entry.name, target,
                                            entry.size, added, addTotal, copiedSize);
        if (copied == FileCopy::Failed) {
            FailCopy(job);
            return false;
        }
        if (copied == FileCopy::Copied) {
            ApplyAttributesAndTimes(target, entry);
            job.addedFiles.push_back({entry.relative + entry.name,
                                      sourceRoot + entry.relative + entry.name, copiedSize});
        }
    }
    job.Log(L"Successfully Copied additional Files to USB drive " + job.choices.targetDrive +
            L" (" + FormatByteSize(added) + L")  - " + FormatDuration(job.stepStart));
    return true;
}

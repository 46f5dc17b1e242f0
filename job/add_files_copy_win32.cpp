#include "job/add_files_copy_win32.h"

#include <memory>
#include <new>

#include "job/add_files_walk.h"

namespace {

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Move(HANDLE source, HANDLE target, char* buffer, DWORD count) {
    DWORD got = 0, written = 0;
    return ReadFile(source, buffer, count, &got, nullptr) && got == count &&
           WriteFile(target, buffer, count, &written, nullptr) && written == count;
}

}  // namespace

int MakeFolderPath(const std::wstring& path, int64_t attributes) {
    std::wstring whole = path;
    if (!whole.empty() && whole.back() == L'\\') whole.pop_back();
    size_t start = 0;
    for (;;) {
        const size_t slash = whole.find(L'\\', start);
        const std::wstring prefix = whole.substr(0, slash);
        const bool drive = prefix.size() == 2 && prefix[1] == L':';
        if (!prefix.empty() && !drive && !IsFolder(prefix))
            CreateDirectoryW(prefix.c_str(), nullptr);
        if (slash == std::wstring::npos) break;
        start = slash + 1;
    }
    if (attributes != -1) {
        SetFileAttributesW(whole.c_str(), static_cast<DWORD>(attributes) & kAttributeMask);
    }
    return IsFolder(whole) || (whole.size() == 2 && whole[1] == L':' && IsFolder(whole + L"\\"))
               ? 1
               : 0;
}

int64_t CopyChunk(UniqueHandle& source, UniqueHandle& target, int32_t chunkSize, int64_t length,
                  int64_t position) {
    if (!source || !target) return kChunkFailed;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[chunkSize > 0 ? chunkSize : 1]);
    if (!buffer || chunkSize <= 0) {
        // Nothing could be copied: the file would stay empty on the drive.
        source.reset();
        target.reset();
        return kChunkFailed;
    }
    if (position + chunkSize < length) {
        if (!Move(source.get(), target.get(), buffer.get(), static_cast<DWORD>(chunkSize))) {
            source.reset();
            target.reset();
            return kChunkFailed;
        }
        return position + chunkSize;
    }
    const int64_t rest = length - position;
    const bool ok = rest == 0 || (rest > 0 && Move(source.get(), target.get(), buffer.get(),
                                                   static_cast<DWORD>(rest)));
    // Closing the target writes out what the system still holds; a failure there is a loss too.
    const bool closed = target.Close();
    source.reset();
    return ok && closed ? 0 : kChunkFailed;
}

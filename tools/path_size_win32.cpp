#include <windows.h>

#include "tools/path_size.h"

namespace {

bool IsDriveRoot(const std::wstring& path) {
    return path.size() == 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
}

}  // namespace

int64_t PathSize(const std::wstring& path) {
    if (path.empty()) return kPathMissing;
    if (IsDriveRoot(path)) {
        return GetDriveTypeW(path.c_str()) > DRIVE_NO_ROOT_DIR ? kPathIsFolder : kPathMissing;
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return kPathMissing;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return kPathIsFolder;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

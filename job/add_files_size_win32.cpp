#include <windows.h>

#include "job/add_files_size.h"

#include "tools/folders.h"
#include "tools/unique_handle_win32.h"

int64_t CountAddFilesBytes(const std::wstring& folder, const std::wstring& pattern) {
    WIN32_FIND_DATAW entry;
    const UniqueFindHandle find(FindFirstFileW((folder + pattern).c_str(), &entry));
    if (!find) return 0;
    int64_t sum = 0;
    do {
        const std::wstring name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            sum += (static_cast<int64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        } else if (name != L"." && name != L".." &&
                   !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            // Junctions and folder links are not followed: one pointing upwards would never end.
            sum += CountAddFilesBytes(folder + name + L"\\", pattern);
        }
    } while (FindNextFileW(find.get(), &entry));
    return sum;
}

std::wstring AddFilesFolder() {
    return CurrentFolder() + L"TarnvikAddFiles\\";
}

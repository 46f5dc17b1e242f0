#include "job/stick_flush_win32.h"

#include <windows.h>

#include "tools/unique_handle_win32.h"

void FlushStickForReadBack(const std::wstring& root) {
    // Flushing a volume handle writes out every file of the volume and its metadata; it needs
    // write access to the volume, which the program has as administrator.
    const std::wstring volume = L"\\\\.\\" + root.substr(0, 2);
    UniqueHandle handle(CreateFileW(volume.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    if (handle) FlushFileBuffers(handle.get());
}

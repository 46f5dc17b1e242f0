#pragma once
// Wine's mount manager requests that winecfg uses: what a drive letter maps to, and mapping it to
// a Unix folder (and device). Wine's own, not Windows': only tests under Wine send them.
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <cwctype>
#include <string>

struct WineUnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};
constexpr DWORD kWineDefineUnixDrive =
    CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
constexpr DWORD kWineQueryUnixDrive = CTL_CODE(0x6d, 33, METHOD_BUFFERED, FILE_READ_ACCESS);

// Maps a drive letter to a Unix folder, and to the device behind it when one is named; an empty
// folder removes the letter's mapping.
inline bool DefineWineDrive(wchar_t letter, ULONG type, const std::string& folder,
                            const std::string& device = "") {
    HANDLE manager =
        CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) return false;
    WineUnixDrive drive{};
    drive.type = type;
    drive.letter = static_cast<WCHAR>(std::towlower(letter));
    std::string request(sizeof drive, '\0');
    if (!folder.empty()) {
        drive.mountPointOffset = static_cast<USHORT>(request.size());
        request += folder + '\0';
    }
    if (!device.empty()) {
        drive.deviceOffset = static_cast<USHORT>(request.size());
        request += device + '\0';
    }
    drive.size = static_cast<ULONG>(request.size());
    std::memcpy(request.data(), &drive, sizeof drive);
    DWORD returned = 0;
    const BOOL ok =
        DeviceIoControl(manager, kWineDefineUnixDrive, request.data(),
                        static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
    CloseHandle(manager);
    return ok != FALSE;
}

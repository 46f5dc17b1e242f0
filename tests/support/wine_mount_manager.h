#pragma once
// Wine's mount manager requests that winecfg uses: what a drive letter maps to, and mapping it to
// a Unix folder (and device). Wine's own, not Windows': only tests under Wine send them.
#include <windows.h>
#include <winioctl.h>

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

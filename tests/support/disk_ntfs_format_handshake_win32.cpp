// The disk tool's build for stick images under Wine, which has no system formatter (fmifs.dll):
// the helper on the Linux side makes the NTFS volume instead, as the tool's Linux build does
// (mkntfs with the partition's start as hidden sectors and 255/63 geometry), through the
// "format-ntfs" request of tests/support/stick_handshake_win32.h. The partition table stays as
// the tool under test wrote it. Only that build links this unit, in place of
// disk/ntfs_format_win32.cpp.
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>

#include "disk/ntfs_format_win32.h"
#include "tests/support/stick_handshake_win32.h"
#include "text/utf8_text.h"
#include "tests/support/wine_mount_manager.h"
#include "tools/unique_handle_win32.h"

namespace {

// mkntfs --quick on a small stick takes a second or two; the margin is for a busy machine.
constexpr ULONGLONG kFormatTimeoutMs = 120000;

std::string TextAt(const std::string& reply, USHORT offset) {
    if (offset == 0 || offset >= reply.size()) return {};
    return std::string(reply.c_str() + offset);
}

// Wine reads a volume's boot sector once, when its drive is defined, and goes on showing the old
// file system. Defining the drive again, to the same folder and device, shows the new one, as
// Windows mounts a freshly formatted volume.
bool RedefineDrive(wchar_t letter) {
    UniqueHandle manager(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                     nullptr));
    if (!manager) return false;
    WineUnixDrive query{};
    query.size = sizeof query;
    query.letter = static_cast<WCHAR>(letter | 0x20);
    std::string reply(4096, '\0');
    DWORD returned = 0;
    if (!DeviceIoControl(manager.get(), kWineQueryUnixDrive, &query, sizeof query, reply.data(),
                         static_cast<DWORD>(reply.size()), &returned, nullptr) ||
        returned < sizeof(WineUnixDrive)) {
        return false;
    }
    reply.resize(returned);
    WineUnixDrive current{};
    memcpy(&current, reply.data(), sizeof current);
    const std::string mountPoint = TextAt(reply, current.mountPointOffset);
    const std::string device = TextAt(reply, current.deviceOffset);
    if (mountPoint.empty() || device.empty()) return false;
    return DefineWineDrive(letter, current.type, mountPoint, device);
}

}  // namespace

bool NtfsFormatter::Load() {
    return GetEnvironmentVariableW(L"TARNVIK_TEST_STICK_HANDSHAKE", nullptr, 0) > 0;
}

bool NtfsFormatter::Format(wchar_t letter, const std::wstring& label) const {
    // The label is one line of the request.
    if (label.find_first_of(L"\r\n") != std::wstring::npos) return false;
    return AskStickHelper("format-ntfs\n" + Utf8FromWide(label), kFormatTimeoutMs) &&
           RedefineDrive(letter);
}

// The test build's answer to "which bus is this volume on": Wine reports SCSI for every volume,
// so the drive letters listed in the file named by TARNVIK_TEST_USB_LETTERS_FILE are reported on
// USB; every other volume gets the system's own answer. Only the test build links this unit.
#include <cwctype>
#include <string>

#include "drives/storage_bus.h"

namespace {

bool ListedAsUsb(wchar_t driveLetter) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"TARNVIK_TEST_USB_LETTERS_FILE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || driveLetter == L'\0') return false;
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char letters[32] = {};
    DWORD got = 0;
    ReadFile(file, letters, sizeof letters - 1, &got, nullptr);
    CloseHandle(file);
    const char wanted = static_cast<char>(std::towupper(driveLetter));
    return std::string(letters, got).find(wanted) != std::string::npos;
}

}  // namespace

int VolumeBusType(HANDLE volume, wchar_t driveLetter) {
    if (ListedAsUsb(driveLetter)) return kBusTypeUsb;
    return QueryStorageBusType(volume);
}

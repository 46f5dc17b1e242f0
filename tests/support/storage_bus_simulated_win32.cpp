// The test build's answer to "which bus is this volume on": Wine reports SCSI for every volume,
// so the drive letters named in TARNVIK_TEST_USB_LETTERS are reported on USB; every other volume
// gets the system's own answer. Only the test build of the program links this unit.
#include <cwctype>
#include <string>

#include "drives/storage_bus.h"

int VolumeBusType(HANDLE volume, wchar_t driveLetter) {
    wchar_t letters[27] = {};
    const DWORD length = GetEnvironmentVariableW(L"TARNVIK_TEST_USB_LETTERS", letters, 27);
    if (length > 0 && length < 27 && driveLetter != L'\0' &&
        std::wstring(letters).find(static_cast<wchar_t>(std::towupper(driveLetter))) != std::wstring::npos) {
        return kBusTypeUsb;
    }
    return QueryStorageBusType(volume);
}

// The test build's answer to "which bus is this volume on": Wine reports SCSI for every volume,
// so the drive letters listed in the file named by TARNVIK_TEST_USB_LETTERS_FILE are reported on
// USB; every other volume gets the system's own answer. Only the test build links this unit.
#include <cwctype>

#include "drives/storage_bus.h"
#include "tests/support/small_files.h"

int VolumeBusType(HANDLE volume, wchar_t driveLetter) {
    const std::wstring list = support::Variable(L"TARNVIK_TEST_USB_LETTERS_FILE");
    std::string letters;
    if (driveLetter != L'\0' && !list.empty() && support::ReadFileBytes(list, letters) &&
        letters.find(static_cast<char>(std::towupper(driveLetter))) != std::string::npos) {
        return kBusTypeUsb;
    }
    return QueryStorageBusType(volume);
}

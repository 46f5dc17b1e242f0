#include <gtest/gtest.h>

#include "drives/drive_entry.h"

namespace {

// The fuzz target reads any entry back field by field; these pin the texts themselves.
TEST(DriveEntry, ComposedFromWhatTheSystemReported) {
    EXPECT_EQ(
        DriveRoot(4) + BusMarker(true) + DriveDescription(2, L" MyUSB ", L"FAT32", 8000000000),
        L"E:\\**USBFD **MyUSB**FAT32**7.45 GB");
    EXPECT_EQ(DriveRoot(25) + BusMarker(false), L"Z:\\**NOTUSB");
    // Each type's tag, a size for removable and fixed drives only, nothing for an unknown type.
    std::wstring tags;
    for (unsigned type = 0; type < 8; ++type) tags += DriveDescription(type, L"", L"", 0) + L"|";
    EXPECT_EQ(tags,
              L"UNKNOWN ****|NO_ROOT_DIR ****|FD ******0 b |HDD ******0 b |REMOTE ****|CD ****|"
              L"RAM ****||");
}

TEST(DriveEntry, RowTextsAndLogLines) {
    const struct {
        std::wstring entry;
        std::wstring row;  // only USB drives become rows
        std::wstring logLine;
    } cases[] = {
        {L"E:\\**USBFD **MyUSB**FAT32**7.45 GB", L"E:\\ [MyUSB]  FD FAT32  (7.45 GB)",
         L"USBFD E:\\ [MyUSB] FAT32 (7.45 GB)"},
        {L"G:\\**USBCD **DVD**CDFS", L"G:\\ [DVD]  CD CDFS  ()", L"USBCD G:\\ [DVD] CDFS ()"},
        {L"K:\\**USBFD ****FAT32**1.00 GB", L"K:\\ []  FD FAT32  (1.00 GB)",
         L"USBFD K:\\ [] FAT32 (1.00 GB)"},
        {L"C:\\**NOTUSBHDD **System**NTFS**237 GB", L"", L"NOTUSBHDD C:\\ [System] NTFS (237 GB)"},
        {L"C:\\**NOTUSB", L"", L"NOTUSB C:\\ []  ()"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        if (!c.row.empty()) {
            EXPECT_EQ(DriveRowText(c.entry), c.row);
        }
        EXPECT_EQ(DriveLogLine(c.entry), c.logLine);
    }
}

TEST(DriveEntry, VolumePaths) {
    EXPECT_EQ(VolumeDevicePath(L"E:\\"), L"\\\\?\\E:");
    EXPECT_EQ(VolumeDevicePath(L"\\\\?\\Volume{1234}"), L"\\\\?\\Volume{1234}");
}

}  // namespace

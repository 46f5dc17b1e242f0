#include <gtest/gtest.h>

#include "drives/drive_entry.h"

namespace {

constexpr int64_t kStick = 8000000000;  // 7.45 GB
const std::wstring kStickSize = L"7.45 GB";

TEST(DriveEntry, ComposedFromWhatTheSystemReported) {
    const struct {
        unsigned type;
        bool usb;
        bool described;
        const wchar_t* label;
        const wchar_t* fileSystem;
        std::wstring entry;
    } cases[] = {
        {0, true, true, L"A", L"FS", L"E:\\**USBUNKNOWN **A**FS"},
        {1, true, true, L"A", L"FS", L"E:\\**USBNO_ROOT_DIR **A**FS"},
        {2, true, true, L"MyUSB", L"FAT32", L"E:\\**USBFD **MyUSB**FAT32**" + kStickSize},
        {3, true, true, L"Backup", L"NTFS", L"E:\\**USBHDD **Backup**NTFS**" + kStickSize},
        {4, false, true, L"Share", L"NTFS", L"E:\\**NOTUSBREMOTE **Share**NTFS"},
        {5, true, true, L"DVD", L"CDFS", L"E:\\**USBCD **DVD**CDFS"},
        {6, false, true, L"R", L"FAT", L"E:\\**NOTUSBRAM **R**FAT"},
        {7, true, true, L"X", L"Y", L"E:\\**USB"},
        // An empty label leaves "**" twice (the fuzz target checks the trimming).
        {2, true, true, L"", L"FAT32", L"E:\\**USBFD ****FAT32**" + kStickSize},
        // Not described: root and bus marker only.
        {3, false, false, L"System", L"NTFS", L"E:\\**NOTUSB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        std::wstring entry = DriveRoot(4) + BusMarker(c.usb);
        if (c.described) entry += DriveDescription(c.type, c.label, c.fileSystem, kStick);
        EXPECT_EQ(entry, c.entry);
    }
    EXPECT_EQ(DriveDescription(2, L"NoMedium", L"", 0), L"FD **NoMedium****0 b ");
}

TEST(DriveEntry, RowTextsAndLogLines) {
    const struct {
        std::wstring entry;
        std::wstring row;  // only USB drives become rows
        std::wstring logLine;
        std::wstring label;
        bool usb;
    } cases[] = {
        {L"E:\\**USBFD **MyUSB**FAT32**7.45 GB", L"E:\\ [MyUSB]  FD FAT32  (7.45 GB)",
         L"USBFD E:\\ [MyUSB] FAT32 (7.45 GB)", L"MyUSB", true},
        {L"F:\\**USBHDD **Backup**NTFS**931 GB", L"F:\\ [Backup]  HDD NTFS  (931 GB)",
         L"USBHDD F:\\ [Backup] NTFS (931 GB)", L"Backup", true},
        {L"G:\\**USBCD **DVD**CDFS", L"G:\\ [DVD]  CD CDFS  ()", L"USBCD G:\\ [DVD] CDFS ()",
         L"DVD", true},
        {L"H:\\**USBFD **USB DISK**FAT32**1.00 GB", L"H:\\ [USB DISK]  FD FAT32  (1.00 GB)",
         L"USBFD H:\\ [USB DISK] FAT32 (1.00 GB)", L"USB DISK", true},
        {L"K:\\**USBFD ****FAT32**1.00 GB", L"K:\\ []  FD FAT32  (1.00 GB)",
         L"USBFD K:\\ [] FAT32 (1.00 GB)", L"", true},
        {L"C:\\**NOTUSBHDD **System**NTFS**237 GB", L"", L"NOTUSBHDD C:\\ [System] NTFS (237 GB)",
         L"System", false},
        {L"C:\\**NOTUSB", L"", L"NOTUSB C:\\ []  ()", L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        if (c.usb) {
            EXPECT_EQ(DriveRowText(c.entry), c.row);
        }
        EXPECT_EQ(DriveLogLine(c.entry), c.logLine);
        EXPECT_EQ(DriveLabel(c.entry), c.label);
        EXPECT_EQ(IsUsbEntry(c.entry), c.usb);
    }
}

TEST(DriveEntry, PathsAndRoots) {
    EXPECT_EQ(DriveRoot(0), L"A:\\");
    EXPECT_EQ(DriveRoot(25), L"Z:\\");
    EXPECT_EQ(VolumeDevicePath(L"E:\\"), L"\\\\?\\E:");
    EXPECT_EQ(VolumeDevicePath(L"\\\\?\\Volume{1234}"), L"\\\\?\\Volume{1234}");
    EXPECT_EQ(RootOfRow(L"E:\\ [MyUSB]  FD FAT32  (7.45 GB)"), L"E:\\");
    EXPECT_EQ(RootOfRow(L""), L"");
}

}  // namespace

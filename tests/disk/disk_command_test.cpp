#include "disk/disk_command.h"

#include <gtest/gtest.h>

namespace {

struct Accepted {
    const wchar_t* parameters;
    DiskAction action;
    wchar_t letter;
    const wchar_t* fileSystem;
    const wchar_t* label;
};

TEST(ParseDiskParameters, AcceptsTheFourLines) {
    const Accepted cases[] = {
        // Format lines with any drive, file system and label are the disk-command fuzz target's;
        // here the label is everything up to the final " /quiet", switch-like text included.
        {L"/device=E: /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=A "
         L"/quiet /quiet",
         DiskAction::kFormat, L'E', L"FAT32", L"A /quiet"},
        {L"/device=g: /mbr /install /type=nt60 /quiet", DiskAction::kMbr, L'G', L"", L""},
        {L"/device=E: /pbr /install /type=bootmgr /quiet", DiskAction::kPbrBootmgr, L'E', L"", L""},
        {L"/device=E: /pbr /install /type=grub4dos /pbr-disable-floppy /quiet",
         DiskAction::kPbrGrub4Dos, L'E', L"", L""},
    };
    for (const Accepted& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.parameters)));
        const DiskCommand command = ParseDiskParameters(c.parameters);
        ASSERT_TRUE(command.valid);
        EXPECT_EQ(command.action, c.action);
        EXPECT_EQ(command.driveLetter, c.letter);
        EXPECT_EQ(command.fileSystem, c.fileSystem);
        EXPECT_EQ(command.label, c.label);
    }
}

TEST(ParseDiskParameters, RefusesEverythingElse) {
    const wchar_t* refused[] = {
        L"",
        L"/device=E:",
        L"/device=E: ",
        L"/device=1: /mbr /install /type=nt60 /quiet",
        L"/device=E /mbr /install /type=nt60 /quiet",
        L"/device=EF: /mbr /install /type=nt60 /quiet",
        L"/device=E:  /mbr /install /type=nt60 /quiet",
        L"/device=E: /mbr /install /type=nt60 /quiet ",
        L"/device=E: /mbr /install /type=nt52 /quiet",
        L"/device=E: /MBR /INSTALL /TYPE=NT60 /QUIET",
        L"/device=E: /mbr /install /type=nt60",
        L"/device=E: /pbr /install /type=grub4dos /quiet",
        L"/device=E: /partitions /repartition /activate /usb-hdd /fstype=exFAT /vollabel=X /quiet",
        L"/device=E: /partitions /repartition /activate /usb-hdd /fstype=FAT32 /quiet",
        L"/device=E: /partitions /repartition /activate /fstype=FAT32 /vollabel=X /quiet",
        L"/device=E: /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=X",
        L"/mbr /install /type=nt60 /quiet",
        L"/device=\\\\.\\PhysicalDrive0 /mbr /install /type=nt60 /quiet",
    };
    for (const wchar_t* parameters : refused) {
        EXPECT_FALSE(ParseDiskParameters(parameters).valid)
            << testing::PrintToString(std::wstring(parameters));
    }
}

}  // namespace

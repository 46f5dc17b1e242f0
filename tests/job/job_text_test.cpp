#include <gtest/gtest.h>

#include "job/job_text.h"

namespace {

TEST(JobHeader, LinesInOrder) {
    const JobChoices job{L"D:\\iso\\Win 11.iso", L"E:\\", L"NTFS", L"", true, false};
    const std::vector<std::wstring> expected = {
        L"",
        L"**************************************",
        L"Copy ISO To USB Drive  - 2024/03/09,13:45:12",
        L"USB Drive: E:\\",
        L"ISO File: D:\\iso\\Win 11.iso",
        L"ISO File Name: Win 11.iso (4.65 GB)",
        L"File System: NTFS",
        L"Volume Label: ",
        L"Grub4Dos (if detected) selected",
        L"Add Files to USB root Not selected",
        L"",
    };
    EXPECT_EQ(JobHeaderLines(job, L"2024/03/09,13:45:12", 5000000000), expected);
    const JobChoices plain{L"a.iso", L"F:\\", L"FAT32", L"MyUSB", false, true};
    EXPECT_EQ(JobHeaderLines(plain, L"t", 0)[8], L"Boot Manager selected");
    EXPECT_EQ(JobHeaderLines(plain, L"t", 0)[9], L"Add Files to USB root selected");
}

TEST(ToolCommandLines, BooticeAndSevenZip) {
    const struct {
        std::wstring parameters;
        const wchar_t* expected;
    } cases[] = {
        {BooticeFormatParameters(L"E:", L"FAT32", L"MyUSB"),
         L"/device=E: /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=MyUSB "
         L"/quiet"},
        {BooticeFormatParameters(L"F:", L"NTFS", L"DATA"),
         L"/device=F: /partitions /repartition /activate /usb-hdd /fstype=NTFS /vollabel=DATA "
         L"/quiet"},
        // Blanks stay unquoted; an empty label leaves the switch bare.
        {BooticeFormatParameters(L"E:", L"FAT32", L"My Stick"),
         L"/device=E: /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=My Stick "
         L"/quiet"},
        {BooticeFormatParameters(L"E:", L"FAT32", L""),
         L"/device=E: /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel= /quiet"},
        {BooticeMbrParameters(L"E:"), L"/device=E: /mbr /install /type=nt60 /quiet"},
        {BooticePbrParameters(L"E:"), L"/device=E: /pbr /install /type=bootmgr /quiet"},
        {BooticeGrub4DosParameters(L"E:"),
         L"/device=E: /pbr /install /type=grub4dos /pbr-disable-floppy /quiet"},
        {SevenZipParameters(L"D:\\My Images\\Win 11.iso", L"E:\\"),
         LR"(x -y "D:\My Images\Win 11.iso" -o"E:\")"},
        {SevenZipParameters(L"D:\\Win 11.iso", L"E:\\", true),
         LR"(x -y "D:\Win 11.iso" -o"E:\" -x!sources\install.wim)"},
        {SevenZipStreamParameters(L"D:\\Win 11.iso", L"sources\\install.wim"),
         LR"(x -so -- "D:\Win 11.iso" "sources\install.wim")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.parameters, c.expected);
    }
}

TEST(DiskToolFailureLine, NamesTheExitCodeOrTheFailedStart) {
    const std::wstring duration = L"2024/03/09,13:45:12 duration: 05s";
    const struct {
        DiskToolRun run;
        const wchar_t* expected;
    } cases[] = {
        {{true, 3},
         L"An error occurred while Formating E:\\ (exit code 3)  - 2024/03/09,13:45:12 duration: "
         L"05s"},
        // A crash's status is shown as the unsigned number Windows reports.
        {{true, 0xC0000005},
         L"An error occurred while Formating E:\\ (exit code 3221225477)  - 2024/03/09,13:45:12 "
         L"duration: 05s"},
        {{false, 0},
         L"An error occurred while Formating E:\\ (the disk tool could not be started)  - "
         L"2024/03/09,13:45:12 duration: 05s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(DiskToolFailureLine(L"An error occurred while Formating E:\\", c.run, duration),
                  c.expected);
    }
    EXPECT_TRUE((DiskToolRun{true, 0}.Succeeded()));
    EXPECT_FALSE((DiskToolRun{true, 1}.Succeeded()));
    EXPECT_FALSE((DiskToolRun{false, 0}.Succeeded())) << "no start is no success";
}

}  // namespace

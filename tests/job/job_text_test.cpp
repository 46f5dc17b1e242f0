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

// The whole-job tests pin the disk tool's four lines, with a label holding a blank, and its
// failure lines; what they do not reach is here.
TEST(ToolCommandLines, AnEmptyLabelAndSevenZipsQuoting) {
    const struct {
        std::wstring parameters;
        const wchar_t* expected;
    } cases[] = {
        {BooticeFormatParameters(L"E:", L"FAT32", L""),
         L"/device=E: /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel= /quiet"},
        {SevenZipParameters(L"D:\\My Images\\Win 11.iso", L"E:\\"),
         LR"(x -y "D:\My Images\Win 11.iso" -o"E:\")"},
        {SevenZipParameters(L"D:\\Win 11.iso", L"E:\\", true),
         LR"(x -y "D:\Win 11.iso" -o"E:\" -x!sources\install.wim)"},
        {SevenZipStreamParameters(L"D:\\Win 11.iso", L"sources\\install.wim"),
         LR"(x -so -- "D:\Win 11.iso" "sources\install.wim")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.parameters, c.expected);
    }
}

TEST(DiskToolFailureLine, ACrashShowsTheUnsignedStatus) {
    EXPECT_EQ(DiskToolFailureLine(L"An error occurred while Formating E:\\", {true, 0xC0000005},
                                  L"2024/03/09,13:45:12 duration: 05s"),
              L"An error occurred while Formating E:\\ (exit code 3221225477)  - "
              L"2024/03/09,13:45:12 duration: 05s");
}

}  // namespace

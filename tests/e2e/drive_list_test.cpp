// The drive list on simulated drives: which drives become rows, their texts, the label copied
// into LabelField, and the log line per drive in debug mode.
#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/harness/job_run.h"
#include "text/byte_size.h"

using namespace harness;

namespace {

std::wstring TotalSizeText(const std::wstring& root) {
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    GetDiskFreeSpaceExW(root.c_str(), &freeToCaller, &total, &totalFree);
    return FormatByteSize(static_cast<int64_t>(total.QuadPart));
}

class DriveList : public testing::Test {
  protected:
    void SetUp() override {
        RemoveSimulatedDrives();
        folder_ = FreshTestFolder();
        exe_ = InstallTestBuild(folder_);
    }
    std::wstring folder_, exe_;
};

TEST_F(DriveList, UsbDrivesInLetterOrderAroundAFixedDisk) {
    SimulatedDrive stick(L'E', DRIVE_REMOVABLE, folder_ + L"\\stick", L"MyStick");
    SimulatedDrive fixed(L'F', DRIVE_FIXED, folder_ + L"\\fixed", L"Internal");
    SimulatedDrive optical(L'G', DRIVE_CDROM, folder_ + L"\\optical", L"DVD");
    SimulatedDrive disk(L'H', DRIVE_FIXED, folder_ + L"\\disk", L"USB DISK");
    ASSERT_TRUE(stick.Mapped() && fixed.Mapped() && optical.Mapped() && disk.Mapped());

    Program program;
    HWND window = StartAndShow(program, exe_, L"", folder_, L"window.png", L"EGH");
    ASSERT_NE(window, nullptr);
    const std::wstring size = TotalSizeText(L"E:\\");
    const ControlState list = program.Control(window, kDriveList);
    const std::vector<std::wstring> rows = {
        L"E:\\ [MyStick]  FD NTFS  (" + size + L")",
        L"G:\\ [DVD]  CD CDFS  ()",
        L"H:\\ [USB DISK]  HDD NTFS  (" + size + L")",
    };
    EXPECT_EQ(list.rows, rows);
    EXPECT_EQ(list.selection, 0);
    EXPECT_EQ(list.text, rows[0]);
    EXPECT_EQ(program.Control(window, kLabelField).text, L"MyStick");

    // The whole label, blanks included, follows the user's choice.
    program.ChooseRow(window, kDriveList, 2);
    EXPECT_TRUE(
        WaitUntil([&] { return program.Control(window, kLabelField).text == L"USB DISK"; }));
    program.ChooseRow(window, kDriveList, 1);
    EXPECT_TRUE(WaitUntil([&] { return program.Control(window, kLabelField).text == L"DVD"; }));
    SaveWindowPicture(window, folder_ + L"\\chosen.png");
    program.Close(window);
}

TEST_F(DriveList, FirstUsbDriveWithoutLabelEmptiesTheLabel) {
    SimulatedDrive stick(L'K', DRIVE_REMOVABLE, folder_ + L"\\stick", L"");
    Program program;
    HWND window = StartAndShow(program, exe_, L"", folder_, L"window.png", L"K");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(program.Control(window, kDriveList).rows,
              std::vector<std::wstring>{L"K:\\ []  FD NTFS  (" + TotalSizeText(L"K:\\") + L")"});
    EXPECT_EQ(program.Control(window, kLabelField).text, L"");
    program.Close(window);
}

TEST_F(DriveList, NoUsbDrive) {
    SimulatedDrive fixed(L'F', DRIVE_FIXED, folder_ + L"\\fixed", L"Internal");
    Program program;
    HWND window = StartAndShow(program, exe_, L"", folder_);
    ASSERT_NE(window, nullptr);
    const ControlState list = program.Control(window, kDriveList);
    EXPECT_TRUE(list.rows.empty());
    EXPECT_EQ(list.selection, -1);
    EXPECT_EQ(list.text, L"");
    EXPECT_EQ(program.Control(window, kLabelField).text, L"MyUSB");
    program.Close(window);
}

TEST_F(DriveList, DebugLogsEveryDriveInLetterOrder) {
    SimulatedDrive stick(L'E', DRIVE_REMOVABLE, folder_ + L"\\stick", L"MyStick");
    SimulatedDrive fixed(L'F', DRIVE_FIXED, folder_ + L"\\fixed", L"Internal");
    Program program;
    HWND window = StartAndShow(program, exe_, L"debug", folder_, L"window.png", L"E");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(program.Control(window, kDriveList).rows.size(), 1u);
    ASSERT_TRUE(CloseAndExit(program, window));

    std::string log;
    ASSERT_TRUE(ReadFileBytes(folder_ + L"\\Tarnvik.log", log));
    std::string expected =
        "\r\n" + std::string(38, '*') + "\r\nGet Drive Type and Volume Information:\r\n";
    for (const auto& [kind, letter, label] : {std::tuple{"NOTUSBHDD", L'C', ""},
                                              {"USBFD", L'E', "MyStick"},
                                              {"NOTUSBHDD", L'F', "Internal"},
                                              {"NOTUSBHDD", L'Z', ""}}) {
        const std::wstring root = {letter, L':', L'\\'};
        expected += std::string(kind) + " " + Narrow(root) + " [" + label + "] NTFS (" +
                    Narrow(TotalSizeText(root)) + ")\r\n";
    }
    EXPECT_EQ(log.substr(log.find("\r\n") + 2), expected + "\r\nExit\r\n");
}

}  // namespace

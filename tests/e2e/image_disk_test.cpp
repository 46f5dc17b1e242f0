// The image on another volume of the target's disk (a second partition of the stick): the
// repartition would destroy it, so Copy refuses it before the format warning, as it refuses an
// image on the target drive itself. Which disk each letter lies on comes from the file the
// program's test build reads in place of the system's answer.
#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/harness/case_name.h"
#include "tests/harness/harness.h"

using namespace harness;

namespace {

const wchar_t kImageOnTarget[] =
    L"The selected ISO image is on the USB drive that will be formatted.\r\nCopy the ISO image to "
    L"another drive first.";

struct DiskCase {
    const char* name;
    const char* disks;  // "LETTER DISK" lines
    bool refused;
};

class ImageOnTheSticksDisk : public testing::TestWithParam<DiskCase> {
  protected:
    void TearDown() override { SetEnvironmentVariableW(L"TARNVIK_TEST_DISKS_FILE", nullptr); }
};

TEST_P(ImageOnTheSticksDisk, IsRefusedBeforeTheWarning) {
    const DiskCase& c = GetParam();
    const std::wstring folder = FreshTestFolder();
    const std::wstring exe = InstallTestBuild(folder);
    const std::wstring tools = folder + L"\\Tarnvik";
    MakeFolders(tools);
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\fake_bootice.exe").c_str(),
                          (tools + L"\\Bootice.exe").c_str(), FALSE));
    SimulatedDrive stick(L'E', DRIVE_REMOVABLE, folder + L"\\stick", L"MyStick");
    SimulatedDrive second(L'F', DRIVE_REMOVABLE, folder + L"\\second", L"Images");
    ASSERT_TRUE(stick.Mapped() && second.Mapped());
    ASSERT_TRUE(WriteFileBytes(folder + L"\\stick\\old-file.txt", "on the stick"));
    // A real image, so that where the disks allow it the image check lets the warning come.
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\fixtures\\plain.iso").c_str(),
                          (folder + L"\\second\\Image.iso").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\disks.txt", c.disks));
    SetEnvironmentVariableW(L"TARNVIK_TEST_DISKS_FILE", (folder + L"\\disks.txt").c_str());

    Program program;
    HWND window = StartAndShow(program, exe, L"F:\\Image.iso", folder, L"window.png", L"E");
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(program.Control(window, kDriveList).rows.size(), 1u);
    program.Click(window, kCopyButton);
    const DialogState box = program.WaitForDialog(L"Tarnvik");
    ASSERT_NE(box.handle, nullptr);
    SaveWindowPicture(box.handle, folder + L"\\answer.png");
    if (c.refused) {
        EXPECT_EQ(box.text, kImageOnTarget);
    } else {
        EXPECT_EQ(box.text.rfind(L"WARNING: The current USB device E:\\", 0), 0u);
    }
    ASSERT_TRUE(program.Answer(box, c.refused ? IDOK : IDNO));
    EXPECT_TRUE(program.Control(window, kCopyButton).visible) << "the window stays idle";
    program.Close(window);
    DWORD code = 1;
    ASSERT_TRUE(program.WaitForExit(code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(FileExists(tools + L"\\bootice-journal.txt")) << "the disk tool never ran";
    EXPECT_TRUE(FileExists(folder + L"\\stick\\old-file.txt"));
    EXPECT_TRUE(FileExists(folder + L"\\second\\Image.iso"));
}

INSTANTIATE_TEST_SUITE_P(
    Disks, ImageOnTheSticksDisk,
    testing::Values(DiskCase{"SecondVolumeOfTheStick", "E 3\nF 3\n", true},
                    // A volume spanning the stick and another disk is on the stick too.
                    DiskCase{"VolumeSpanningTheStick", "E 3\nF 0\nF 3\n", true},
                    DiskCase{"VolumeOfAnotherDisk", "E 3\nF 0\n", false},
                    DiskCase{"DisksUnknown", "", false}),
    harness::CaseName());

}  // namespace

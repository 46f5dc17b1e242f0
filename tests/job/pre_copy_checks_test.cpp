#include <gtest/gtest.h>

#include "app/copy_request.h"
#include "job/pre_copy_checks.h"

namespace {

// The user-actions test pins the refusals a user meets: no image, an .img, one byte too large,
// the image on the stick, a label with a switch in it.
TEST(PreCopyChecks, ImageEnding) {
    const struct {
        const wchar_t* path;
        bool ok;
        const wchar_t* message;
    } cases[] = {
        {L"C:\\x\\IMAGE.ISO", true, L"You must select an ISO image. .iso"},
        {L"C:\\x\\image.iso", true, L"You must select an ISO image. .iso"},
        {L"C:\\x\\image.iso.txt", false, L"You must select an ISO image. .txt"},
        {L"ISO", false, L"You must select an ISO image. iso"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(HasIsoEnding(c.path), c.ok);
        EXPECT_EQ(ImageChoiceMessage(c.path), c.message);
    }
}

TEST(PreCopyChecks, FitAndPlace) {
    EXPECT_FALSE(ImageFits(1, 0));  // a drive whose size could not be read
    EXPECT_TRUE(ImageOnDrive(L"e:\\images\\w.iso", L"E:\\"));
    EXPECT_TRUE(ImageOnDrive(L"E:\\w.iso", L"e:\\"));
    EXPECT_FALSE(ImageOnDrive(L"\\\\server\\share\\w.iso", L"E:\\"));
    EXPECT_FALSE(ImageOnDrive(L"D:\\w.iso", L""));
}

TEST(PreCopyChecks, ImageOnTheDrivesDisk) {
    const struct {
        const char* name;
        std::vector<uint32_t> image;
        std::vector<uint32_t> drive;
        bool shared;
    } cases[] = {
        {"second partition of the stick", {3}, {3}, true},
        {"another disk", {0}, {3}, false},
        {"image on a volume spanning the stick", {0, 3}, {3}, true},
        {"drive spanning the image's disk", {1}, {2, 1}, true},
        {"spanned volumes on other disks", {0, 1}, {2, 3}, false},
        {"image's disk unknown", {}, {3}, false},
        {"drive's disk unknown", {3}, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ImageOnDrivesDisk(c.image, c.drive), c.shared);
    }
}

TEST(CopyRequest, WarningText) {
    EXPECT_EQ(FormatWarningText(L"E:\\ [MyUSB]  FD FAT32  (7.45 GB)", L"NTFS", L"My Stick"),
              L"WARNING: The current USB device E:\\ [MyUSB]  FD FAT32  (7.45 GB)\r\n"
              L"will be Formatted. ALL DATA WILL BE DELETED.\r\n"
              L"File System: NTFS\r\n"
              L"Volume Label: My Stick\r\n"
              L"\r\n"
              L"Do you want To Continue ?");
}

TEST(CopyRequest, LabelsThatCouldAddSwitches) {
    for (const wchar_t* label : {L"MyUSB", L"My Stick", L"", L"C:\\x-y_z"}) {
        EXPECT_TRUE(LabelIsSafe(label));
    }
    for (const wchar_t* label : {L"a/b", L"\"quoted\""}) {
        EXPECT_FALSE(LabelIsSafe(label));
    }
}

}  // namespace

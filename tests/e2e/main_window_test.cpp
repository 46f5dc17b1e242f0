// MainWindow as a user first sees it: its size and frame, every control's text, the containers of
// the option pairs, its colour, and the two presets that the add-files folder of the working
// folder decides.
#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/harness/case_name.h"
#include "tests/harness/harness.h"

using namespace harness;

namespace {

struct Expected {
    int id;
    const wchar_t* text;
    bool visible;
};

const Expected kInitialControls[] = {
    {kDriveList, L"", true},
    {kRefreshButton, L"Refresh", true},
    {kWarningText, L"***  All Files on the disk will be deleted  ***", true},
    {kIsoField, L"Select an ISO image ->", true},
    {kIsoButton, L"ISO", true},
    {kFileSystemCaption, L"File System", true},
    {kFileSystemGroup, L"", true},
    {kFat32Option, L"FAT32 (Default)", true},
    {kNtfsOption, L"NTFS", true},
    {kLabelCaption, L"Label", true},
    {kLabelField, L"MyUSB", true},
    {kBootCaption, L"Boot manager", true},
    {kBootGroup, L"", true},
    {kStandardBootOption, L"Standard (BCD)", true},
    {kGrub4DosOption, L"Grub4Dos (If detected)", true},
    {kAddFilesGroup, L"", true},
    {kAddFilesCheck, L"", true},
    {kAddFilesCaption, L"Add files to USB root From", true},
    {kAddFilesFolderIcon, L"", true},
    {kAboutIcon, L"", true},
    {kCopyButton, L"Copy ISO to USB drive", true},
    {kStatusText, L"", false},
    {kJobProgressBar, L"", false},
    {kBackButton, L"Back", false},
};

TEST(MainWindow, InitialLayout) {
    const std::wstring folder = FreshTestFolder();
    Program program;
    HWND window = StartAndShow(program, InstallTestBuild(folder), L"", folder);
    ASSERT_NE(window, nullptr);

    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, 330);
    EXPECT_EQ(outer.top, 290);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 370);
    EXPECT_EQ(client.bottom, 210);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the border must not resize the window";

    for (const Expected& e : kInitialControls) {
        SCOPED_TRACE(testing::Message() << "control " << e.id);
        const ControlState c = program.Control(window, e.id);
        ASSERT_TRUE(c.exists);
        EXPECT_EQ(c.text, e.text);
        EXPECT_EQ(c.visible, e.visible);
        EXPECT_TRUE(c.enabled);
    }
    // The option pairs sit in their own containers, and each has exactly one choice.
    EXPECT_EQ(GetParent(program.Control(window, kFat32Option).handle),
              program.Control(window, kFileSystemGroup).handle);
    EXPECT_EQ(GetParent(program.Control(window, kGrub4DosOption).handle),
              program.Control(window, kBootGroup).handle);
    EXPECT_TRUE(program.Control(window, kFat32Option).checked);
    EXPECT_FALSE(program.Control(window, kNtfsOption).checked);
    EXPECT_TRUE(program.Control(window, kStandardBootOption).checked);
    EXPECT_FALSE(program.Control(window, kGrub4DosOption).checked);
    EXPECT_FALSE(program.Control(window, kAddFilesCheck).checked);
    EXPECT_TRUE(program.Control(window, kCopyButton).defaultButton);
    EXPECT_EQ(program.Control(window, kJobProgressBar).position, 0);

    // The window's own background: a very dark blue, here between the Copy button and the images.
    HDC screen = GetDC(nullptr);
    POINT spot{300, 150};
    ClientToScreen(window, &spot);
    EXPECT_EQ(GetPixel(screen, spot.x, spot.y), RGB(0, 0, 32));
    ReleaseDC(nullptr, screen);

    program.Close(window);
}

struct AddFilesCase {
    const char* name;
    std::vector<std::pair<const wchar_t*, size_t>> files;  // path under TarnvikAddFiles, size
    bool grub4Dos;
    bool addFiles;
};

class AddFilesRules : public testing::TestWithParam<AddFilesCase> {};

TEST_P(AddFilesRules, PresetFromTheWorkingFolder) {
    const AddFilesCase& c = GetParam();
    const std::wstring folder = FreshTestFolder();
    const std::wstring exe = InstallTestBuild(folder);
    // Beside the program a full add-files folder that must not count: only the working folder does.
    MakeFolders(folder + L"\\TarnvikAddFiles");
    WriteFileBytes(folder + L"\\TarnvikAddFiles\\grldr", "beside the program");
    const std::wstring work = folder + L"\\work";
    MakeFolders(work);
    for (const auto& [path, size] : c.files) {
        const std::wstring file = work + L"\\TarnvikAddFiles\\" + path;
        MakeFolders(file.substr(0, file.find_last_of(L'\\')));
        ASSERT_TRUE(WriteFileBytes(file, std::string(size, 'x')));
    }

    Program program;
    HWND window = StartAndShow(program, exe, L"", work);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(program.Control(window, kGrub4DosOption).checked, c.grub4Dos);
    EXPECT_EQ(program.Control(window, kStandardBootOption).checked, !c.grub4Dos);
    EXPECT_EQ(program.Control(window, kAddFilesCheck).checked, c.addFiles);
    program.Close(window);
}

INSTANTIATE_TEST_SUITE_P(
    WorkingFolder, AddFilesRules,
    testing::Values(
        AddFilesCase{"NoFolder", {}, false, false},
        AddFilesCase{"EmptyGrldr", {{L"grldr", 0}}, false, false},
        AddFilesCase{"OneByteGrldr", {{L"grldr", 1}}, true, true},
        AddFilesCase{"OnlyEmptyFiles", {{L"a.txt", 0}, {L"sub\\b.txt", 0}}, false, false},
        AddFilesCase{"GrldrInSubFolderOnly", {{L"boot\\grldr", 5}}, false, true},
        AddFilesCase{
            "TopAndTwoFoldersDown", {{L"top.txt", 10}, {L"one\\two\\deep.txt", 20}}, false, true}),
    harness::CaseName());

}  // namespace

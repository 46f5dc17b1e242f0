// What each click does, on a simulated USB drive E: the About panel, Refresh, the ISO dialog,
// the checks before a job, the format warning, a (diskless) job and the return to idle.
#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/harness/harness.h"

using namespace harness;

namespace {

const wchar_t kDriveGone[] =
    L"The selected drive is no longer available.\r\n Use the Refresh button.";

class UserActions : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = FreshTestFolder();
        exe_ = InstallTestBuild(folder_);
        ASSERT_TRUE(WriteFileBytes(folder_ + L"\\Small.iso", std::string(4096, 'i')));
    }
    // Starts the program with drive E: listed as a USB stick labelled MyStick.
    HWND StartWithStick(const std::wstring& arguments = L"") {
        stick_ = std::make_unique<SimulatedDrive>(L'E', DRIVE_REMOVABLE, folder_ + L"\\stick",
                                                  L"MyStick");
        return StartAndShow(program_, exe_, arguments, folder_, L"window.png", L"E");
    }
    // Presses Copy and reads the message box it brings, then closes it with OK.
    std::wstring CopyRefusal(HWND window) {
        program_.Click(window, kCopyButton);
        const DialogState box = program_.WaitForDialog(L"Tarnvik");
        if (!box.handle) return L"<no message box>";
        program_.Answer(box, IDOK);
        return box.text;
    }
    void ExpectIdle(HWND window) {
        for (int id : {kDriveList, kRefreshButton, kAboutIcon, kAddFilesFolderIcon, kIsoButton,
                       kFileSystemGroup, kBootGroup, kLabelField, kAddFilesGroup}) {
            EXPECT_TRUE(program_.Control(window, id).enabled) << "control " << id;
        }
        EXPECT_TRUE(program_.Control(window, kCopyButton).visible);
        EXPECT_TRUE(program_.Control(window, kWarningText).visible);
        EXPECT_FALSE(program_.Control(window, kStatusText).visible);
        EXPECT_EQ(program_.Control(window, kStatusText).text, L"");
        EXPECT_FALSE(program_.Control(window, kJobProgressBar).visible);
        EXPECT_EQ(program_.Control(window, kJobProgressBar).position, 0);
        EXPECT_FALSE(program_.Control(window, kBackButton).visible);
    }
    bool EndsWithExitCode0(HWND window) {
        program_.Close(window);
        DWORD code = 1;
        return program_.WaitForExit(code) && code == 0;
    }

    std::wstring folder_, exe_;
    std::unique_ptr<SimulatedDrive> stick_;
    Program program_;
};

TEST_F(UserActions, AboutPanelTakesTheWindowsPlaceAndGivesItBack) {
    HWND main = StartWithStick(L"Small.iso");
    ASSERT_NE(main, nullptr);
    program_.Click(main, kNtfsOption);
    program_.Type(main, kLabelField, L"Changed");
    ASSERT_TRUE(WaitUntil([&] { return program_.Control(main, kNtfsOption).checked; }));

    program_.Click(main, kAboutIcon);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(main); }));
    HWND about = program_.WaitForWindow(L"Tarnvik: Copy ISO to USB drive");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(program_.ScreenRect(about).left, 330);
    EXPECT_EQ(program_.ScreenRect(about).top, 290);
    EXPECT_EQ(program_.Control(about, kAboutTitle).text, L"About Tarnvik");
    const ControlState back = program_.Control(about, kAboutBackButton);
    EXPECT_EQ(back.text, L"Back");
    EXPECT_EQ(back.rect.left, 325);
    EXPECT_EQ(program_.Control(about, kAboutNotice).rect.top, 25);
    SaveWindowPicture(about, folder_ + L"\\about.png");

    SetWindowPos(about, nullptr, 120, 140, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(WaitUntil([&] { return program_.ScreenRect(about).left == 120; }));
    program_.Click(about, kAboutBackButton);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    main = program_.WaitForWindow(L"Tarnvik: Copy ISO to USB drive");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(program_.ScreenRect(main).left, 120);
    EXPECT_EQ(program_.ScreenRect(main).top, 140);
    // Built anew: the choices made before the visit are gone, the drives listed again.
    EXPECT_TRUE(program_.Control(main, kFat32Option).checked);
    EXPECT_FALSE(program_.Control(main, kNtfsOption).checked);
    EXPECT_EQ(program_.Control(main, kLabelField).text, L"MyStick");
    EXPECT_EQ(program_.Control(main, kDriveList).rows.size(), 1u);
    EXPECT_EQ(program_.Control(main, kIsoField).text, L"Small.iso  (4.00 KB)");
    ExpectIdle(main);
    SaveWindowPicture(main, folder_ + L"\\back.png");
    EXPECT_TRUE(EndsWithExitCode0(main));
}

TEST_F(UserActions, AboutPanelCloseBoxEndsTheProgram) {
    HWND main = StartWithStick();
    ASSERT_NE(main, nullptr);
    program_.Click(main, kAboutIcon);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(main); }));
    HWND about = program_.WaitForWindow(L"Tarnvik: Copy ISO to USB drive");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(EndsWithExitCode0(about));
}

TEST_F(UserActions, RefreshPicksUpANewStick) {
    Program& program = program_;
    HWND main = StartAndShow(program, exe_, L"", folder_, L"window.png", L"R");
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(program.Control(main, kDriveList).rows.empty());
    SimulatedDrive stick(L'R', DRIVE_REMOVABLE, folder_ + L"\\late", L"Late");
    program.Click(main, kRefreshButton);
    EXPECT_TRUE(WaitUntil([&] { return program.Control(main, kDriveList).rows.size() == 1; }));
    EXPECT_EQ(program.Control(main, kLabelField).text, L"Late");
    EXPECT_TRUE(EndsWithExitCode0(main));
}

TEST_F(UserActions, FolderIconMakesTheAddFilesFolder) {
    HWND main = StartWithStick();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(FileExists(folder_ + L"\\TarnvikAddFiles"));
    program_.Click(main, kAddFilesFolderIcon);
    EXPECT_TRUE(WaitUntil([&] {
        return GetFileAttributesW((folder_ + L"\\TarnvikAddFiles").c_str()) &
               FILE_ATTRIBUTE_DIRECTORY;
    }));
    // A second click finds the folder there and only opens it again.
    program_.Click(main, kAddFilesFolderIcon);
    EXPECT_TRUE(program_.Running());
    EXPECT_TRUE(EndsWithExitCode0(main));
}

TEST_F(UserActions, IsoDialogChoosesCancelsAndTakesTypedNames) {
    HWND main = StartWithStick();
    ASSERT_NE(main, nullptr);
    program_.Click(main, kIsoButton);
    DialogState dialog = program_.WaitForDialog(L"Choose an ISO image ...");
    ASSERT_NE(dialog.handle, nullptr);
    SaveWindowPicture(dialog.handle, folder_ + L"\\dialog.png");
    ASSERT_TRUE(program_.OpenFile(dialog, L"Small.iso"));
    EXPECT_TRUE(WaitUntil(
        [&] { return program_.Control(main, kIsoField).text == L"Small.iso  (4.00 KB)"; }));

    program_.Click(main, kIsoButton);
    dialog = program_.WaitForDialog(L"Choose an ISO image ...");
    ASSERT_TRUE(program_.Answer(dialog, IDCANCEL));
    EXPECT_TRUE(WaitUntil(
        [&] { return program_.Control(main, kIsoField).text == L"Select an ISO image ->"; }));

    // A name typed for a file that does not exist is taken; its size reads -1.
    program_.Click(main, kIsoButton);
    dialog = program_.WaitForDialog(L"Choose an ISO image ...");
    ASSERT_TRUE(program_.OpenFile(dialog, L"missing.iso"));
    EXPECT_TRUE(WaitUntil(
        [&] { return program_.Control(main, kIsoField).text == L"missing.iso  (-1 b )"; }));
    EXPECT_TRUE(EndsWithExitCode0(main));
}

TEST_F(UserActions, ChecksRefuseWithTheirMessages) {
    // Without any USB drive the list is empty.
    HWND main = StartAndShow(program_, exe_, L"", folder_, L"window.png", L"");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(CopyRefusal(main), kDriveGone);

    stick_ =
        std::make_unique<SimulatedDrive>(L'E', DRIVE_REMOVABLE, folder_ + L"\\stick", L"MyStick");
    program_.SetUsbLetters(L"E");
    program_.Click(main, kRefreshButton);
    ASSERT_TRUE(WaitUntil([&] { return program_.Control(main, kDriveList).rows.size() == 1; }));
    EXPECT_EQ(CopyRefusal(main), L"You must select an ISO image. ");

    auto choose = [&](const std::wstring& name) {
        program_.Click(main, kIsoButton);
        const DialogState dialog = program_.WaitForDialog(L"Choose an ISO image ...");
        return dialog.handle && program_.OpenFile(dialog, name);
    };
    ASSERT_TRUE(WriteFileBytes(folder_ + L"\\image.img", "img"));
    ASSERT_TRUE(choose(L"image.img"));
    EXPECT_EQ(CopyRefusal(main), L"You must select an ISO image. .img");

    // An image that goes away after it was chosen.
    ASSERT_TRUE(WriteFileBytes(folder_ + L"\\Gone.iso", "gone"));
    ASSERT_TRUE(choose(L"Gone.iso"));
    DeleteFileW((folder_ + L"\\Gone.iso").c_str());
    EXPECT_EQ(CopyRefusal(main),
              L"The selected ISO image is no longer available.\r\n Select an ISO image.");

    // Images one byte larger than the drive's total size, and exactly as large (sparse files).
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(L"E:\\", &freeToCaller, &total, &totalFree));
    auto sparse = [&](const std::wstring& name, uint64_t size) {
        HANDLE file = CreateFileW((folder_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        const bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
        CloseHandle(file);
        return ok;
    };
    ASSERT_TRUE(sparse(L"Huge.iso", total.QuadPart + 1));
    ASSERT_TRUE(choose(L"Huge.iso"));
    EXPECT_EQ(
        CopyRefusal(main),
        L"The selected ISO image is larger than the USB drive size.\r\nSelect another ISO image Or "
        L"another USB stick.");
    ASSERT_TRUE(sparse(L"Exact.iso", total.QuadPart));
    ASSERT_TRUE(choose(L"Exact.iso"));
    // An image as large as the drive fits; being no image at all, it fails the next check.
    EXPECT_EQ(CopyRefusal(main).rfind(L"The selected ISO image cannot be read", 0), 0u);
    DeleteFileW((folder_ + L"\\Huge.iso").c_str());
    DeleteFileW((folder_ + L"\\Exact.iso").c_str());

    // The image on the stick that would be formatted.
    ASSERT_TRUE(WriteFileBytes(folder_ + L"\\stick\\OnStick.iso", "on the stick"));
    ASSERT_TRUE(choose(L"E:\\OnStick.iso"));
    EXPECT_EQ(CopyRefusal(main),
              L"The selected ISO image is on the USB drive that will be formatted.\r\nCopy the ISO "
              L"image to another drive first.");

    // A label that would add switches to the disk tool's command line (which characters do:
    // CopyRequest.LabelsThatCouldAddSwitches).
    ASSERT_TRUE(choose(L"Small.iso"));
    program_.Type(main, kLabelField, L"a /device=C:");
    EXPECT_EQ(CopyRefusal(main),
              L"The volume label must not contain / or \".\r\nType another label.");
    program_.Type(main, kLabelField, L"MyStick");

    // The letter now names a disk that is not on USB.
    program_.SetUsbLetters(L"");
    EXPECT_EQ(CopyRefusal(main), kDriveGone);
    program_.SetUsbLetters(L"E");

    // The stick was pulled after the last refresh.
    stick_.reset();
    EXPECT_EQ(CopyRefusal(main), kDriveGone);
    ExpectIdle(main);
    EXPECT_TRUE(EndsWithExitCode0(main));
}

TEST_F(UserActions, WarningThenJobThenBackThenASecondJob) {
    // A real image this time, and the stand-in disk tool, so that both jobs run to their end.
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\fixtures\\plain.iso").c_str(),
                          (folder_ + L"\\Small.iso").c_str(), FALSE));
    MakeFolders(folder_ + L"\\Tarnvik");
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\fake_bootice.exe").c_str(),
                          (folder_ + L"\\Tarnvik\\Bootice.exe").c_str(), FALSE));
    HWND main = StartWithStick(L"debug");
    ASSERT_NE(main, nullptr);
    const std::wstring row = program_.Control(main, kDriveList).text;
    program_.Click(main, kIsoButton);
    ASSERT_TRUE(
        program_.OpenFile(program_.WaitForDialog(L"Choose an ISO image ..."), L"Small.iso"));
    program_.Click(main, kNtfsOption);
    program_.Type(main, kLabelField, L"My Stick");

    program_.Click(main, kCopyButton);
    DialogState warning = program_.WaitForDialog(L"Tarnvik");
    EXPECT_EQ(warning.text,
              L"WARNING: The current USB device " + row +
                  L"\r\nwill be Formatted. ALL DATA WILL BE DELETED.\r\nFile System: NTFS"
                  L"\r\nVolume Label: My Stick\r\n\r\nDo you want To Continue ?");
    SaveWindowPicture(warning.handle, folder_ + L"\\warning.png");
    ASSERT_TRUE(program_.Answer(warning, IDNO));
    ExpectIdle(main);

    for (int job = 1; job <= 2; ++job) {
        program_.Click(main, kCopyButton);
        warning = program_.WaitForDialog(L"Tarnvik");
        ASSERT_TRUE(program_.Answer(warning, IDYES));
        ASSERT_TRUE(WaitUntil([&] { return program_.Control(main, kBackButton).visible; }))
            << "job " << job;
        EXPECT_EQ(program_.Control(main, kStatusText).text, L"DONE");
        EXPECT_TRUE(program_.Control(main, kStatusText).visible);
        EXPECT_EQ(program_.Control(main, kJobProgressBar).position, 100);
        EXPECT_FALSE(program_.Control(main, kCopyButton).visible);
        EXPECT_FALSE(program_.Control(main, kWarningText).visible);
        for (int id : {kDriveList, kRefreshButton, kIsoButton, kLabelField, kBootGroup}) {
            EXPECT_FALSE(program_.Control(main, id).enabled) << "control " << id;
        }
        SaveWindowPicture(main, folder_ + L"\\done" + std::to_wstring(job) + L".png");
        program_.Click(main, kBackButton);
        ASSERT_TRUE(WaitUntil([&] { return !program_.Control(main, kBackButton).visible; }));
        ExpectIdle(main);
    }
    EXPECT_TRUE(EndsWithExitCode0(main));

    std::string log;
    ASSERT_TRUE(ReadFileBytes(folder_ + L"\\Tarnvik.log", log));
    const std::string header =
        "USB Drive: E:\\\r\n"
        "ISO File: " +
        std::string(folder_.begin(), folder_.end()) +
        "\\Small.iso\r\n"
        "ISO File Name: Small.iso (3.66 MB)\r\n"
        "File System: NTFS\r\n"
        "Volume Label: My Stick\r\n"
        "Boot Manager selected\r\n"
        "Add Files to USB root Not selected\r\n"
        "\r\n"
        "Formatting USB device E:\\\r\n";
    const size_t first = log.find(header);
    ASSERT_NE(first, std::string::npos) << log;
    const size_t second = log.find(header, first + 1);
    ASSERT_NE(second, std::string::npos) << "the second job's header";
    EXPECT_NE(log.find("\r\nDONE\r\n", first), std::string::npos);
    EXPECT_NE(log.find("\r\nDONE\r\n", second), std::string::npos);

    // The label's blank reaches the disk tool unquoted; the stick holds the image's files.
    const std::vector<std::string> runs = {
        "/device=E: /partitions /repartition /activate /usb-hdd /fstype=NTFS /vollabel=My Stick "
        "/quiet",
        "/device=E: /mbr /install /type=nt60 /quiet",
        "/device=E: /pbr /install /type=bootmgr /quiet"};
    std::vector<std::string> journal = runs;
    journal.insert(journal.end(), runs.begin(), runs.end());
    EXPECT_EQ(ReadLines(folder_ + L"\\Tarnvik\\bootice-journal.txt"), journal);
    auto tree = ReadTree(folder_ + L"\\stick");
    tree.erase(L".windows-label");
    EXPECT_EQ(tree, ReadTree(BuildFolder() + L"\\fixtures\\plain"));
}

}  // namespace

// What each click does, on a simulated USB drive E: the About panel, Refresh, the ISO dialog,
// the checks before a job, the format warning, a (diskless) job and the return to idle.
#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/harness/job_run.h"

using namespace harness;

namespace {

const wchar_t kDriveGone[] =
    L"The selected drive is no longer available.\r\n Use the Refresh button.";

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

class UserActions : public StickJob {
  protected:
    void SetUp() override {
        StickJob::SetUp();
        ASSERT_TRUE(WriteFileBytes(folder_ + L"\\Small.iso", std::string(4096, 'i')));
    }
    // Starts the program with drive E: listed as a USB stick labelled MyStick.
    HWND StartWithStick(const std::wstring& arguments = L"") {
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
};

TEST_F(UserActions, AboutPanelTakesTheWindowsPlaceAndGivesItBack) {
    HWND main = StartWithStick(L"Small.iso");
    ASSERT_NE(main, nullptr);
    program_.Click(main, kNtfsOption);
    program_.Type(main, kLabelField, L"Changed");
    ASSERT_TRUE(WaitUntil([&] { return program_.Control(main, kNtfsOption).checked; }));

    program_.Click(main, kAboutIcon);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(main); }));
    HWND about = program_.WaitForWindow(kWindowTitle);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(ScreenRect(about).left, 330);
    EXPECT_EQ(ScreenRect(about).top, 290);
    EXPECT_EQ(program_.Control(about, kAboutTitle).text, L"About Tarnvik");
    EXPECT_EQ(program_.Control(about, kAboutBackButton).text, L"Back");
    SaveWindowPicture(about, folder_ + L"\\about.png");

    SetWindowPos(about, nullptr, 120, 140, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(WaitUntil([&] { return ScreenRect(about).left == 120; }));
    program_.Click(about, kAboutBackButton);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    main = program_.WaitForWindow(kWindowTitle);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ScreenRect(main).left, 120);
    EXPECT_EQ(ScreenRect(main).top, 140);
    // Built anew: the choices made before the visit are gone, the drives listed again.
    EXPECT_TRUE(program_.Control(main, kFat32Option).checked);
    EXPECT_FALSE(program_.Control(main, kNtfsOption).checked);
    EXPECT_EQ(program_.Control(main, kLabelField).text, L"MyStick");
    EXPECT_EQ(program_.Control(main, kDriveList).rows.size(), 1u);
    EXPECT_EQ(program_.Control(main, kIsoField).text, L"Small.iso  (4.00 KB)");
    ExpectIdle(main);
    SaveWindowPicture(main, folder_ + L"\\back.png");
    Close(main);
}

TEST_F(UserActions, AboutPanelCloseBoxEndsTheProgram) {
    HWND main = StartWithStick();
    ASSERT_NE(main, nullptr);
    program_.Click(main, kAboutIcon);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(main); }));
    HWND about = program_.WaitForWindow(kWindowTitle);
    ASSERT_NE(about, nullptr);
    Close(about);
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
    Close(main);
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
    Close(main);
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
    Close(main);
}

TEST_F(UserActions, ChecksRefuseWithTheirMessages) {
    // Without any USB drive the list is empty.
    HWND main = StartAndShow(program_, exe_, L"", folder_, L"window.png", L"");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(CopyRefusal(main), kDriveGone);

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
    Close(main);
}

TEST_F(UserActions, WarningAnsweredNoThenAJobThenBack) {
    HWND main = Start(L"plain.iso");
    ASSERT_NE(main, nullptr);
    program_.Click(main, kCopyButton);
    const DialogState warning = program_.WaitForDialog(L"Tarnvik");
    SaveWindowPicture(warning.handle, folder_ + L"\\warning.png");
    ASSERT_TRUE(program_.Answer(warning, IDNO));
    ExpectIdle(main);

    EXPECT_EQ(RunToEnd(main), L"DONE");
    EXPECT_TRUE(program_.Control(main, kStatusText).visible);
    EXPECT_EQ(program_.Control(main, kJobProgressBar).position, 100);
    EXPECT_FALSE(program_.Control(main, kCopyButton).visible);
    EXPECT_FALSE(program_.Control(main, kWarningText).visible);
    for (int id : {kDriveList, kRefreshButton, kIsoButton, kLabelField, kBootGroup}) {
        EXPECT_FALSE(program_.Control(main, id).enabled) << "control " << id;
    }
    program_.Click(main, kBackButton);
    ASSERT_TRUE(WaitUntil([&] { return !program_.Control(main, kBackButton).visible; }));
    ExpectIdle(main);
    Close(main);
}

}  // namespace

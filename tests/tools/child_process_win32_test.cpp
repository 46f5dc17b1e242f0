// The runner on real child processes under Wine.
#include <gtest/gtest.h>

#include "tests/win32_test_files.h"
#include "tools/child_process_win32.h"

namespace {

std::wstring Helper() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"child_helper.exe";
}

// Waiting for a child and reading its exit code is every disk-tool run's, which the failing disk
// tool's job tests check code by code.
TEST(StartChild, KillEndsARunningChildWithMinusOne) {
    const ChildProcess start = StartChild(Helper(), L"sleep 60000", L"", kHide | kKeep);
    ASSERT_TRUE(start);
    EXPECT_TRUE(start.Running());
    DWORD code = 0;
    EXPECT_FALSE(start.ExitCode(code)) << "no exit code while it runs";
    start.Kill();
    ASSERT_EQ(WaitForSingleObject(start.Process(), 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(start.Running());
    EXPECT_TRUE(start.ExitCode(code));
    EXPECT_EQ(code, 0xFFFFFFFFu);
}

TEST(StartChild, WorkingFolderAndItsAbsence) {
    const std::wstring report = TempTestPath(L"cwd.txt");
    const std::wstring folder = TempTestPath(L"elsewhere");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(StartChild(Helper(), L"cwd \"" + report + L"\"", folder, kWait | kHide));
    const std::string inFolder = ReadWholeFile(report);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(inFolder.data()), inFolder.size() / 2),
              folder);

    ASSERT_TRUE(StartChild(Helper(), L"cwd \"" + report + L"\"", L"", kWait | kHide));
    wchar_t ours[MAX_PATH];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, ours);
    const std::string inOurs = ReadWholeFile(report);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(inOurs.data()), inOurs.size() / 2),
              std::wstring(ours, length));
}

TEST(StartChild, MissingProgramFailsAndAFolderOpensInTheShell) {
    EXPECT_FALSE(StartChild(TempTestPath(L"no-such-program.exe")));
    const std::wstring folder = TempTestPath(L"to-open");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const ChildProcess opened = StartChild(folder + L"\\", L"", L"", kKeep);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened.ProcessId(), -1) << "started by the shell";
    // The file manager the shell started would outlive the test and hold its output open.
    if (opened.Process()) TerminateProcess(opened.Process(), 0);
}

TEST(StartChild, WithoutKeepOnlyTellsSuccess) {
    const ChildProcess start = StartChild(Helper(), L"exit 3", L"", kWait | kHide);
    EXPECT_TRUE(start);
    EXPECT_EQ(start.Process(), nullptr);
}

}  // namespace

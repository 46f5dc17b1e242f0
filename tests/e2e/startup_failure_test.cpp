// A start-up that cannot make what the window needs (here the hidden window that carries a job's
// end, refused by the program's test build) says so once and ends with a failing exit code; no
// window that could start a job ever appears.
#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/harness/harness.h"

using namespace harness;

namespace {

TEST(StartUpFailure, NoEventWindowMeansOneMessageAndNoJob) {
    const std::wstring folder = FreshTestFolder();
    const std::wstring exe = InstallTestBuild(folder);
    SetEnvironmentVariableW(L"TARNVIK_TEST_REFUSE_EVENT_WINDOW", L"1");
    Program program;
    const bool started = program.Start(exe, L"debug", folder);
    SetEnvironmentVariableW(L"TARNVIK_TEST_REFUSE_EVENT_WINDOW", nullptr);
    ASSERT_TRUE(started);

    const DialogState box = program.WaitForDialog(L"Tarnvik", 20000);
    ASSERT_NE(box.handle, nullptr) << "no message";
    SaveWindowPicture(box.handle, folder + L"\\message.png");
    EXPECT_EQ(box.text,
              L"Tarnvik could not start: Windows did not grant the resources its window needs."
              L"\r\nClose some programs and start Tarnvik again.");
    EXPECT_EQ(program.WaitForWindow(kWindowTitle, 0), nullptr)
        << "no window that could start a job";
    ASSERT_TRUE(program.Answer(box, IDOK));
    DWORD code = 0;
    ASSERT_TRUE(program.WaitForExit(code));
    EXPECT_NE(code, 0u);
}

}  // namespace

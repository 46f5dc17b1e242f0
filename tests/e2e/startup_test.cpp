// Start-up, the command line, the run log file and the exit code of the shipped program.
#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/harness/case_name.h"
#include "tests/harness/job_run.h"

using namespace harness;

namespace {

// A working folder with the files the command-line cases name.
void PlantImages(const std::wstring& folder) {
    MakeFolders(folder + L"\\My Images");
    WriteFileBytes(folder + L"\\My Images\\Setup.ISO", std::string(1536, 'i'));
    WriteFileBytes(folder + L"\\empty.iso", "");
}

struct CommandLineCase {
    const char* name;
    const wchar_t* arguments;
    const wchar_t* isoFieldText;
    bool logWritten;
};

class StartUp : public testing::TestWithParam<CommandLineCase> {};

TEST_P(StartUp, ReadsItsOneArgument) {
    const CommandLineCase& c = GetParam();
    const std::wstring folder = FreshTestFolder();
    PlantImages(folder);
    const std::wstring exe = InstallProgram(folder);

    Program program;
    HWND window = StartAndShow(program, exe, c.arguments, folder);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(program.Control(window, kIsoField).text, c.isoFieldText);
    EXPECT_TRUE(CloseAndExit(program, window));
    EXPECT_EQ(FileExists(folder + L"\\Tarnvik.log"), c.logWritten);
}

const wchar_t* const kPrompt = kIsoPrompt;

INSTANTIATE_TEST_SUITE_P(
    CommandLine, StartUp,
    testing::Values(
        CommandLineCase{"NoArgument", L"", kPrompt, false},
        // Which words and files count is the unit tests' (ClassifyArgument, PathSize); these show
        // that the program reads its argument, quoted or not, and asks for the file's size.
        CommandLineCase{"DebugLower", L"debug", kPrompt, true},
        CommandLineCase{"DebugQuoted", L"\"debug\"", kPrompt, true},
        CommandLineCase{"TwoArgumentsIgnored", L"debug \"My Images\\Setup.ISO\"", kPrompt, false},
        CommandLineCase{"EmptyIsoIgnored", L"empty.iso", kPrompt, false},
        CommandLineCase{"IsoWithBlanks", L"\"My Images\\Setup.ISO\"", L"Setup.ISO  (1.50 KB)",
                        false},
        // The path is kept as typed: its letter case and its slash, not the name on disk.
        CommandLineCase{"IsoAsTyped", L"\"my images/SETUP.iso\"", L"SETUP.iso  (1.50 KB)", false}),
    harness::CaseName());

// In debug mode the program writes its log beside itself under its own name, over an older run's.
TEST(RunLogOfProgram, NamedAfterTheProgramFileOverAnOlderRun) {
    const std::wstring folder = FreshTestFolder();
    ASSERT_TRUE(WriteFileBytes(folder + L"\\Stick Maker.log", std::string(50000, '#')));
    Program program;
    HWND window =
        StartAndShow(program, InstallProgram(folder, L"Stick Maker.exe"), L"debug", folder);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(CloseAndExit(program, window));
    std::string log;
    ASSERT_TRUE(ReadFileBytes(folder + L"\\Stick Maker.log", log));
    EXPECT_EQ(log.rfind("Tarnvik log file  - ", 0), 0u) << log;
    EXPECT_TRUE(log.ends_with("\r\nExit\r\n")) << log;
    EXPECT_EQ(log.find('#'), std::string::npos) << "the older run's log is gone";
    EXPECT_FALSE(FileExists(folder + L"\\Tarnvik.log"));
}

TEST(RunLogOfProgram, RunsOnWhenTheLogCannotBeCreated) {
    const std::wstring folder = FreshTestFolder();
    ASSERT_TRUE(MakeFolders(folder + L"\\Tarnvik.log"));  // a folder where the file would go
    Program program;
    HWND window = StartAndShow(program, InstallProgram(folder), L"debug", folder);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(CloseAndExit(program, window));
}

}  // namespace

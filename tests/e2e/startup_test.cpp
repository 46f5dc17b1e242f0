// Start-up, the command line, the run log file and the exit code of the real program.
#include <gtest/gtest.h>

#include <regex>

#include "res/control_ids.h"
#include "tests/harness/case_name.h"
#include "tests/harness/harness.h"

using namespace harness;

namespace {

const std::string kRule(38, '*');

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
    program.Close(window);
    DWORD exitCode = 1;
    ASSERT_TRUE(program.WaitForExit(exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(FileExists(folder + L"\\Tarnvik.log"), c.logWritten);
}

const wchar_t kPrompt[] = L"Select an ISO image ->";

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

std::vector<std::string> SplitCrLf(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(bytes.substr(start, end - start));
    }
    lines.push_back(bytes.substr(start));  // what follows the last CR LF: empty in a whole file
    return lines;
}

std::string RunDebugAndReadLog(const std::wstring& folder, const std::wstring& exeName,
                               const std::wstring& logName) {
    const std::wstring exe = InstallProgram(folder, exeName);
    Program program;
    HWND window = StartAndShow(program, exe, L"debug", folder);
    if (!window) return {};
    program.Close(window);
    DWORD exitCode = 1;
    EXPECT_TRUE(program.WaitForExit(exitCode));
    EXPECT_EQ(exitCode, 0u);
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(folder + L"\\" + logName, bytes)) << "no log file";
    return bytes;
}

TEST(RunLogOfProgram, HeaderStartupLinesAndExit) {
    const std::wstring folder = FreshTestFolder();
    const std::string bytes = RunDebugAndReadLog(folder, L"Tarnvik.exe", L"Tarnvik.log");
    ASSERT_FALSE(bytes.empty());
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF") << "no byte-order mark";
    EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1) << "lines end in CR LF";
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'),
              std::count(bytes.begin(), bytes.end(), '\r'));

    const std::vector<std::string> lines = SplitCrLf(bytes);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_TRUE(std::regex_match(
        lines[0], std::regex(R"(Tarnvik log file  - \d{4}/\d\d/\d\d,\d\d:\d\d:\d\d)")))
        << lines[0];
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], kRule);
    EXPECT_EQ(lines[3], "Get Drive Type and Volume Information:");
    // The file ends with an empty line, "Exit" and its CR LF.
    EXPECT_EQ(lines[lines.size() - 3], "");
    EXPECT_EQ(lines[lines.size() - 2], "Exit");
    EXPECT_EQ(lines.back(), "");
}

TEST(RunLogOfProgram, SecondRunReplacesFirst) {
    const std::wstring folder = FreshTestFolder();
    std::string old;
    for (int i = 0; i < 2000; ++i) old += "an older run's line\r\n";
    ASSERT_TRUE(WriteFileBytes(folder + L"\\Tarnvik.log", old));
    const std::string bytes = RunDebugAndReadLog(folder, L"Tarnvik.exe", L"Tarnvik.log");
    EXPECT_EQ(bytes.find("older run"), std::string::npos);
    EXPECT_EQ(bytes.rfind("Tarnvik log file  - ", 0), 0u);
    EXPECT_LT(bytes.size(), old.size() / 4);
}

TEST(RunLogOfProgram, NamedAfterTheProgramFile) {
    const std::wstring folder = FreshTestFolder();
    const std::string bytes = RunDebugAndReadLog(folder, L"Stick Maker.exe", L"Stick Maker.log");
    EXPECT_EQ(bytes.rfind("Tarnvik log file  - ", 0), 0u);
    EXPECT_FALSE(FileExists(folder + L"\\Tarnvik.log"));
}

TEST(RunLogOfProgram, RunsOnWhenTheLogCannotBeCreated) {
    const std::wstring folder = FreshTestFolder();
    ASSERT_TRUE(MakeFolders(folder + L"\\Tarnvik.log"));  // a folder where the file would go
    const std::wstring exe = InstallProgram(folder);
    Program program;
    HWND window = StartAndShow(program, exe, L"debug", folder);
    ASSERT_NE(window, nullptr);
    program.Close(window);
    DWORD exitCode = 1;
    ASSERT_TRUE(program.WaitForExit(exitCode));
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace

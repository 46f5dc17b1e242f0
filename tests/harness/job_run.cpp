#include "tests/harness/job_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "res/control_ids.h"

namespace harness {

const std::string kLogStamp = R"(\d{4}/\d\d/\d\d,\d\d:\d\d:\d\d duration: (\d\d:){0,2}\d\ds)";

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return temp;
}

HWND StartWithImage(Program& program, const std::wstring& exe, const std::wstring& arguments,
                    const std::wstring& folder, const std::wstring& image) {
    HWND window = StartAndShow(program, exe, arguments, folder, L"window.png", L"E");
    if (!window) return nullptr;
    program.Click(window, kIsoButton);
    const DialogState dialog = program.WaitForDialog(L"Choose an ISO image ...");
    if (!dialog.handle || !program.OpenFile(dialog, image)) return nullptr;
    return window;
}

bool ConfirmJob(Program& program, HWND window) {
    program.Click(window, kCopyButton);
    const DialogState warning = program.WaitForDialog(L"Tarnvik");
    EXPECT_EQ(warning.text.rfind(L"WARNING: The current USB device E:\\", 0), 0u)
        << Narrow(warning.text);
    return warning.text.rfind(L"WARNING: ", 0) == 0 && program.Answer(warning, IDYES);
}

bool CloseAndExit(Program& program, HWND window) {
    program.Close(window);
    DWORD code = 1;
    return program.WaitForExit(code) && code == 0;
}

std::vector<std::string> JobLogLines(const std::wstring& logPath) {
    std::vector<std::string> lines = ReadLines(logPath);
    auto start = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("Copy ISO To USB Drive  - ", 0) == 0;
    });
    // The header's nine lines, and the run's empty line and "Exit" at the end.
    if (lines.end() - start < 11) return {};
    return std::vector<std::string>(start + 9, lines.end() - 2);
}

void ExpectLinesMatch(const std::vector<std::string>& lines,
                      const std::vector<std::string>& patterns) {
    ASSERT_EQ(lines.size(), patterns.size()) << testing::PrintToString(lines);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(patterns[i])))
            << lines[i] << "\n  !~ " << patterns[i];
    }
}

void ExpectNoTempTools() {
    for (const wchar_t* name : {L"Bootice.exe", L"USB7z.exe", L"7z.dll"}) {
        EXPECT_FALSE(FileExists(TempFolder() + name)) << Narrow(name) << " left in the temp folder";
    }
}

}  // namespace harness

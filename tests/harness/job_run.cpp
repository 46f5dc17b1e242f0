#include "tests/harness/job_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "res/control_ids.h"

namespace harness {

const std::string kLogStamp = R"(\d{4}/\d\d/\d\d,\d\d:\d\d:\d\d duration: (\d\d:){0,2}\d\ds)";

// After kLogStamp, which they use.
const std::vector<std::string> kFormatStage = {
    R"(Formatting USB device E:\\)",
    R"(Successfully Formatted USB device E:\\  - )" + kLogStamp,
    "Write Master and Partition Boot Record",
    "Successfully Write Master and Partition Boot Record  - " + kLogStamp,
};
const std::vector<std::string> kVerified = {
    R"(Verify USB drive E:\\ \(.+\))",
    R"(Successfully Verified USB drive E:\\ \(.+\)  - )" + kLogStamp,
};

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

std::vector<std::wstring> ToolFolders() {
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((TempFolder() + L"Tarnvik-tools-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return folders;
    do {
        folders.push_back(TempFolder() + found.cFileName + L"\\");
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return folders;
}

void ExpectNoTempTools() {
    for (const wchar_t* name : {L"Bootice.exe", L"USB7z.exe", L"7z.dll"}) {
        EXPECT_FALSE(FileExists(TempFolder() + name)) << Narrow(name) << " left in the temp folder";
    }
    for (const std::wstring& folder : ToolFolders()) ADD_FAILURE() << Narrow(folder) << " left";
}

std::string Escaped(const std::string& text) {
    return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

std::vector<std::string> AfterFormat(std::vector<std::string> rest) {
    rest.insert(rest.begin(), kFormatStage.begin(), kFormatStage.end());
    return rest;
}

std::vector<std::string> Extracted(const std::string& isoPattern, const std::string& sizePattern) {
    return {"Copy " + isoPattern + " files \\(" + sizePattern + "\\)  to USB drive E:\\\\",
            "Successfully Copied " + isoPattern + R"( to USB drive E:\\ \(.+\)  - )" + kLogStamp};
}

std::vector<std::string> ExtractedAndVerified(const std::string& isoPattern,
                                              const std::string& sizePattern,
                                              const std::vector<std::string>& rest) {
    std::vector<std::string> lines = Extracted(isoPattern, sizePattern);
    lines.insert(lines.end(), kVerified.begin(), kVerified.end());
    lines.insert(lines.end(), rest.begin(), rest.end());
    return lines;
}

}  // namespace harness

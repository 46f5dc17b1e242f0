#pragma once
// What the tests of whole jobs share: starting with an image chosen, confirming the warning,
// reading the job's part of the log, the checks every end of a job makes, and the fixture of a
// job on a simulated stick.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/harness/harness.h"

namespace harness {

// A log line's end after two blanks and a hyphen: the time stamp and the duration, as a pattern.
// (Inline, as the patterns below, so that the tests' own tables can be made of them.)
inline const std::string kLogStamp =
    R"(\d{4}/\d\d/\d\d,\d\d:\d\d:\d\d duration: (\d\d:){0,2}\d\ds)";

// ASCII text, as the tests' own texts are, for messages and patterns.
std::string Narrow(const std::wstring& text);
// The user's temp folder, with its backslash.
std::wstring TempFolder();

// Starts the program (StartAndShow, stick E:), then chooses the image in the ISO dialog; null
// when either fails.
HWND StartWithImage(Program& program, const std::wstring& exe, const std::wstring& arguments,
                    const std::wstring& folder, const std::wstring& image);
// Presses Copy and answers Yes to the format warning; false when the box was no warning.
bool ConfirmJob(Program& program, HWND window);
// Confirms the warning, waits for the end as the window shows it (a picture of it in the folder)
// and returns the status.
std::wstring RunJobToEnd(Program& program, HWND window, const std::wstring& folder,
                         int timeoutMs = 120000);
// Closes the window; true when the program then ended with exit code 0.
bool CloseAndExit(Program& program, HWND window);
// The job's lines of a log: after its header, up to the line before the run's "Exit".
std::vector<std::string> JobLogLines(const std::wstring& logPath);
// A test failure for every line that does not match its pattern, or for another count.
void ExpectLinesMatch(const std::vector<std::string>& lines,
                      const std::vector<std::string>& patterns);
// The folders in the temp folder that the program runs its tools from, with their backslash.
std::vector<std::wstring> ToolFolders();
// A test failure for every tool file or tool folder the job left in the temp folder.
void ExpectNoTempTools();

// Patterns of a job's log lines. The text as a pattern that matches it literally:
std::string Escaped(const std::string& text);
// The lines of the format and boot-record stage, the same in every job that gets past it.
inline const std::vector<std::string> kFormatStage = {
    R"(Formatting USB device E:\\)",
    R"(Successfully Formatted USB device E:\\  - )" + kLogStamp,
    "Write Master and Partition Boot Record",
    "Successfully Write Master and Partition Boot Record  - " + kLogStamp,
};
// The format stage's lines, then the given ones.
std::vector<std::string> AfterFormat(std::vector<std::string> rest);
// The extraction's two lines for an image whose name and size text the patterns give.
std::vector<std::string> Extracted(const std::string& isoPattern, const std::string& sizePattern);
// The read-back's two lines.
inline const std::vector<std::string> kVerified = {
    R"(Verify USB drive E:\\ \(.+\))",
    R"(Successfully Verified USB drive E:\\ \(.+\)  - )" + kLogStamp,
};
// The extraction's and the read-back's lines, then the given ones.
std::vector<std::string> ExtractedAndVerified(const std::string& isoPattern,
                                              const std::string& sizePattern,
                                              const std::vector<std::string>& rest);

// A job's test: a fresh folder with the program's test build, the stick E: (a folder holding
// old-file.txt) and the stand-in disk tool as the user's replacement in Tarnvik\.
class StickJob : public testing::Test {
  protected:
    void SetUp() override;
    // E: is this folder instead.
    void UseStick(const std::wstring& folder);
    // The archiver's stand-in, in this mode (archiver.txt), replaces the carried 7-Zip.
    void UseArchiverStandIn(const char* mode);
    // Starts the program and chooses the image (a fixture's name or a path).
    HWND Start(const std::wstring& image, const std::wstring& arguments = L"debug");
    std::wstring RunToEnd(HWND window, int timeoutMs = 120000);
    // Confirms, quits during the step the status names (No to the question first, then Yes) and
    // expects the program to end with exit code 0.
    void QuitDuring(HWND window, const std::wstring& step, bool archiverRuns);
    void Close(HWND window) { EXPECT_TRUE(CloseAndExit(program_, window)); }
    std::vector<std::string> Journal() const {
        return ReadLines(tools_ + L"\\bootice-journal.txt");
    }
    std::vector<std::string> JobLog() const { return JobLogLines(folder_ + L"\\Tarnvik.log"); }
    // The stick's files, its label file aside.
    std::map<std::wstring, std::string> DriveTree() const;
    bool Untouched() const { return FileExists(drive_ + L"\\old-file.txt"); }

    std::wstring folder_, exe_, drive_, tools_;
    std::unique_ptr<SimulatedDrive> stick_;
    Program program_;
};

}  // namespace harness

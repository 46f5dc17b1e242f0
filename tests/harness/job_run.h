#pragma once
// What the tests of whole jobs share: starting with an image chosen, confirming the warning,
// reading the job's part of the log, and the checks every end of a job makes.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/harness/harness.h"

namespace harness {

// A log line's end after two blanks and a hyphen: the time stamp and the duration, as a pattern.
extern const std::string kLogStamp;

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
extern const std::vector<std::string> kFormatStage;
// The format stage's lines, then the given ones.
std::vector<std::string> AfterFormat(std::vector<std::string> rest);
// The extraction's two lines for an image whose name and size text the patterns give.
std::vector<std::string> Extracted(const std::string& isoPattern, const std::string& sizePattern);
// The read-back's two lines.
extern const std::vector<std::string> kVerified;
// The extraction's and the read-back's lines, then the given ones.
std::vector<std::string> ExtractedAndVerified(const std::string& isoPattern,
                                              const std::string& sizePattern,
                                              const std::vector<std::string>& rest);

}  // namespace harness

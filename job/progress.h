#pragma once
#include <cstdint>
#include <string>

// How the progress bar is divided: extraction and additional files share 97 points.
struct ProgressShares {
    int extract = 97;
    int add = 0;
};

// What the last "Copy" and "AddFiles" reports set; kept across jobs so that an unchanged report
// leaves the controls alone.
struct ProgressMemory {
    std::wstring lastCopyText;
    int lastCopyValue = 0;
    std::wstring lastAddText;
    int lastAddValue = 0;
    // What lastAddText was built from, and the done counts up to lastAddEnd (exclusive) that give
    // the same text: a report comes after every chunk, the text changes every few chunks at most.
    std::wstring lastAddBase;
    int64_t lastAddTotal = 0;
    int64_t lastAddFrom = 0;
    int64_t lastAddEnd = 0;
    std::wstring lastCheckText;
    std::wstring lastVerifyText;
    int lastVerifyValue = 0;
};

// What one report does to the window and the taskbar.
struct ProgressUpdate {
    bool setText = false;
    std::wstring text;
    // The text is a step's running count of sizes, which a later report of the step replaces; a
    // step's first text and its last (complete, a result or an error) are not.
    bool runningText = false;
    bool setBar = false;
    int bar = 0;
    int taskbar = 0;  // sent for every report, 0 of 100 outside the extraction and additional files
};

// The text and values of one worker report (step "Check", "Format", "Copy", "AddFiles", "Verify",
// "WriteMBR" or "Done"); updates the memory. The read-back after the writing runs the bar over
// the writing's range once more, from 2 to 99, so the writing's division stays as it was.
ProgressUpdate ComputeProgress(const std::wstring& step, const std::wstring& text, int64_t total,
                               int64_t done, const ProgressShares& shares, ProgressMemory& memory);

// The shares for an image and the additional files beside it. With both empty the extraction
// takes the whole bar.
ProgressShares ComputeShares(int64_t isoSize, int64_t addSize);

// Padded on the left with blanks to 8 characters, or cut to the first 8.
std::wstring RSet8(const std::wstring& text);

#include "job/progress.h"

#include <algorithm>

#include "text/byte_size.h"

namespace {

// A share of the bar, truncated toward zero as the display has always done it.
int Scaled(int share, int64_t done, int64_t total) {
    if (total <= 0) return 0;
    return static_cast<int>(share * static_cast<double>(done) / static_cast<double>(total));
}

std::wstring WithSizes(const std::wstring& text, int64_t done, int64_t total) {
    return text + L"   (" + RSet8(FormatByteSize(done)) + L"\\" + RSet8(FormatByteSize(total)) +
           L")";
}

// The sizes while a step runs; its first and last reports (its result or an error) stand alone.
void ShowRunningSizes(const std::wstring& text, int64_t total, int64_t done,
                      std::wstring& lastText, ProgressUpdate& update) {
    const std::wstring shown = done > 0 && done < total ? WithSizes(text, done, total) : text;
    if (shown == lastText) return;
    lastText = shown;
    update.setText = true;
    update.text = shown;
    update.runningText = done > 0 && done < total;
}

}  // namespace

std::wstring RSet8(const std::wstring& text) {
    if (text.size() >= 8) return text.substr(0, 8);
    return std::wstring(8 - text.size(), L' ') + text;
}

ProgressShares ComputeShares(int64_t isoSize, int64_t addSize) {
    if (isoSize + addSize <= 0) return {97, 0};
    const int extract = static_cast<int>(97.0 * static_cast<double>(isoSize) /
                                         static_cast<double>(isoSize + addSize));
    return {extract, 97 - extract};
}

ProgressUpdate ComputeProgress(const std::wstring& step, const std::wstring& text, int64_t total,
                               int64_t done, const ProgressShares& shares, ProgressMemory& memory) {
    ProgressUpdate update;
    if (step == L"Format") {
        update.setText = true;
        update.text = text;
        // A report without a total leaves the bar where it is.
        if (total > 0) {
            update.setBar = true;
            update.bar = Scaled(100, done, total);
        }
    } else if (step == L"Copy") {
        std::wstring shown = text;
        int value;
        if (done < total) {
            if (done > 0) shown = WithSizes(text, done, total);
            value = Scaled(shares.extract, done, total) + 2;
        } else {
            shown = text + L"   (" + RSet8(FormatByteSize(done)) + L")";
            value = shares.extract + 2;
        }
        if (shown != memory.lastCopyText) {
            memory.lastCopyText = shown;
            update.setText = true;
            update.text = shown;
            update.runningText = done > 0 && done < total;
        }
        if (value != memory.lastCopyValue) {
            memory.lastCopyValue = value;
            update.setBar = true;
            update.bar = value;
        }
        update.taskbar = value;
    } else if (step == L"AddFiles") {
        const bool textStands = done > 0 && done >= memory.lastAddFrom &&
                                done < memory.lastAddEnd && total == memory.lastAddTotal &&
                                text == memory.lastAddBase;
        if (!textStands) {
            const std::wstring shown = done > 0 ? WithSizes(text, done, total) : text;
            if (shown != memory.lastAddText) {
                memory.lastAddText = shown;
                update.setText = true;
                update.text = shown;
                update.runningText = done > 0 && done < total;
            }
            memory.lastAddBase = text;
            memory.lastAddTotal = total;
            memory.lastAddFrom = done;
            memory.lastAddEnd = done > 0 ? NextByteSizeChange(done) : done;
        }
        // Empty additional files have no defined position: the bar stays where it is.
        if (total > 0) {
            const int value = Scaled(shares.add, done, total) + shares.extract + 2;
            if (value != memory.lastAddValue) {
                memory.lastAddValue = value;
                update.setBar = true;
                update.bar = value;
            }
            update.taskbar = value;
        }
    } else if (step == L"Check") {
        // Before the format, which starts the bar.
        ShowRunningSizes(text, total, done, memory.lastCheckText, update);
    } else if (step == L"Verify") {
        ShowRunningSizes(text, total, done, memory.lastVerifyText, update);
        const int value = (total > 0 ? Scaled(97, std::min(done, total), total) : 97) + 2;
        if (value != memory.lastVerifyValue) {
            memory.lastVerifyValue = value;
            update.setBar = true;
            update.bar = value;
        }
        update.taskbar = value;
    } else if (step == L"WriteMBR" || step == L"Done") {
        update.setText = true;
        update.text = text;
        update.setBar = true;
        update.bar = step == L"WriteMBR" ? shares.add + shares.extract + 3 : 100;
    }
    return update;
}

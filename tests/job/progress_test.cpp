#include <gtest/gtest.h>

#include "job/progress.h"

#include <algorithm>

#include "text/byte_size.h"

namespace {

constexpr int64_t KiB = 1024, MiB = KiB * 1024, GiB = MiB * 1024;

struct Report {
    const wchar_t* step;
    std::wstring text;
    int64_t total, done;
    // expected
    const wchar_t* shown;  // nullptr: StatusText untouched
    int bar;               // -1: JobProgressBar untouched
    int taskbar;
    bool running = false;  // a running count, which the display may hold back
};

void Play(const ProgressShares& shares, ProgressMemory& memory,
          const std::vector<Report>& reports) {
    for (const Report& r : reports) {
        const ProgressUpdate u = ComputeProgress(r.step, r.text, r.total, r.done, shares, memory);
        SCOPED_TRACE(testing::Message() << r.step << " " << r.total << "/" << r.done);
        EXPECT_EQ(u.setText, r.shown != nullptr);
        if (r.shown) {
            EXPECT_EQ(u.text, r.shown);
        }
        EXPECT_EQ(u.setBar, r.bar >= 0);
        if (r.bar >= 0) {
            EXPECT_EQ(u.bar, r.bar);
        }
        EXPECT_EQ(u.taskbar, r.taskbar);
        EXPECT_EQ(u.runningText, r.running);
    }
}

TEST(ProgressCallback, WorkedJobWithoutAdditionalFiles) {
    ProgressMemory memory;
    const int64_t target = 4 * GiB + 32 * MiB;
    const std::wstring success = L"Successfully Copied w.iso to USB drive E:\\ (4.03 GB)";
    Play(
        {97, 0}, memory,
        {
            {L"Check", L"Checking sources\\install.wim", 4 * GiB, 0,
             L"Checking sources\\install.wim", -1, 0},
            {L"Check", L"Checking sources\\install.wim", 4 * GiB, GiB,
             L"Checking sources\\install.wim   ( 1.00 GB\\ 4.00 GB)", -1, 0, true},
            {L"Format", L"Formatting USB device E:\\", 100, 1, L"Formatting USB device E:\\", 1, 0},
            {L"Copy", L"Copy Files", 100, 0, L"Copy Files", 2, 2},
            {L"Copy", L"Copy Files", target, 1 * GiB + GiB / 2 + 32 * MiB,
             L"Copy Files   ( 1.53 GB\\ 4.03 GB)", 38, 38, true},
            // An identical report changes no control, yet the taskbar hears it again.
            {L"Copy", L"Copy Files", target, 1 * GiB + GiB / 2 + 32 * MiB, nullptr, -1, 38},
            // More in use than expected: the step shows as complete, never more.
            {L"Copy", L"Copy Files", target + MiB, target + MiB, L"Copy Files   ( 4.03 GB)", 99,
             99},
            {L"Copy", success, target, target, (success + L"   ( 4.03 GB)").c_str(), -1, 99},
            {L"WriteMBR", L"Write Master and partition boot record", 100, 99,
             L"Write Master and partition boot record", 100, 0},
            {L"Done", L"DONE", 100, 100, L"DONE", 100, 0},
        });
}

TEST(ProgressCallback, ErrorReportsAndAdditionalFiles) {
    ProgressMemory memory;
    Play({72, 25}, memory,
         {
             {L"Format", L"An error occurred while Formating E:\\", 100, 100,
              L"An error occurred while Formating E:\\", 100, 0},
             // A failed extraction ends with 100 of 100 under "Copy".
             {L"Copy", L"An error occurred while Extracting w.iso", 100, 100,
              L"An error occurred while Extracting w.iso   (  100 b )", 74, 74},
             {L"AddFiles", L"Copy additional Files", 100, 0, L"Copy additional Files", 74, 74},
             {L"AddFiles", L"Copy additional Files", 3 * KiB, 512,
              L"Copy additional Files   (  512 b \\ 3.00 KB)", 78, 78, true},
             {L"AddFiles", L"Copy additional Files", 100, 100,
              L"Copy additional Files   (  100 b \\  100 b )", 99, 99},
             // All additional files empty: no position to show, the bar stays.
             {L"AddFiles", L"Copy additional Files", 0, 0, L"Copy additional Files", -1, 0},
             // The read-back runs the bar over the writing's range again, whatever the shares.
             {L"Verify", L"Verifying USB drive E:\\", 100, 0, L"Verifying USB drive E:\\", 2, 2},
             {L"Verify", L"Verifying USB drive E:\\", 4 * GiB, GiB,
              L"Verifying USB drive E:\\   ( 1.00 GB\\ 4.00 GB)", 26, 26, true},
             {L"Verify", L"Verifying USB drive E:\\", 4 * GiB, GiB, nullptr, -1, 26},
             {L"Verify", L"An error occurred while Verifying a.txt", 100, 100,
              L"An error occurred while Verifying a.txt", 99, 99},
             {L"Unknown", L"x", 100, 50, nullptr, -1, 0},
         });
}

// The additional files report after every chunk; the status line must always show the sizes of
// the latest report, set exactly when they change, across totals, texts and jobs.
TEST(ProgressCallback, AdditionalFilesTextFollowsEveryChunk) {
    ProgressMemory memory;
    const ProgressShares shares{72, 25};
    std::wstring shown;
    auto report = [&](const std::wstring& text, int64_t total, int64_t done) {
        const ProgressUpdate u = ComputeProgress(L"AddFiles", text, total, done, shares, memory);
        const std::wstring expected = done > 0 ? text + L"   (" + RSet8(FormatByteSize(done)) +
                                                     L"\\" + RSet8(FormatByteSize(total)) + L")"
                                               : text;
        SCOPED_TRACE(testing::Message() << total << "/" << done);
        EXPECT_EQ(u.setText, expected != shown);
        if (u.setText) shown = u.text;
        EXPECT_EQ(shown, expected);
    };
    const std::wstring copying = L"Copy additional Files";
    for (const int64_t total : {int64_t{150} * MiB, int64_t{150} * MiB + 1, int64_t{3} * GiB}) {
        report(copying, 100, 0);
        // A job's files: chunks of 4 KiB with a short last chunk now and then.
        int64_t done = 0;
        for (int chunk = 0; done < total && chunk < 6000; ++chunk) {
            done += chunk % 700 == 699 ? 1234 : 4 * KiB;
            report(copying, total, std::min(done, total));
        }
        // The same count against another total, then back.
        report(copying, 2 * total, std::min(done, total));
        report(copying, total, std::min(done, total));
        // Further on, across 100 MiB and up to the end.
        for (done = 100 * MiB - 20 * KiB; done < 100 * MiB + 20 * KiB; done += 4 * KiB)
            report(copying, total, done);
        report(copying, total, total);
        // The same counts under another text, then back.
        report(L"Process Canceled", total, total);
        report(copying, total, total);
        // A count below the last one.
        report(copying, total, 4 * KiB);
    }
}

TEST(ComputeShares, ExtractionAndAdditionalFiles) {
    const struct {
        int64_t iso, add;
        int extract, added;
    } cases[] = {
        {4 * GiB, 0, 97, 0}, {3 * GiB, 1 * GiB, 72, 25}, {1 * KiB, 3 * KiB, 24, 73}, {0, 0, 97, 0},
        {0, 5, 0, 97},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.iso << "+" << c.add);
        const ProgressShares s = ComputeShares(c.iso, c.add);
        EXPECT_EQ(s.extract, c.extract);
        EXPECT_EQ(s.add, c.added);
    }
}

TEST(RSet8, CutsALongText) {
    EXPECT_EQ(RSet8(L"12345678"), L"12345678");
    EXPECT_EQ(RSet8(L"-5000000 b "), L"-5000000");
}

}  // namespace

// Whole jobs on a real stick: E: is a FAT32 volume of a disk image, mounted on the Linux side, and
// the disk tool is the real one (its stick build, which has the volume unmounted while it writes,
// and has the Linux side make an NTFS volume, since Wine has no system formatter).
// real_stick_test.sh sets the stick up, runs one of these tests, then checks the image with
// Debian's tools and boots it. From it come, in the environment: TARNVIK_TEST_STICK_IMAGE (the
// image to choose), TARNVIK_TEST_STICK_LABEL (the label the stick shows) and
// TARNVIK_TEST_STICK_BYTES (the volume's size as Linux sees it; empty when the job starts with
// the volume not mounted yet).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "res/control_ids.h"
#include "tests/harness/harness.h"
#include "tests/harness/job_run.h"
#include "text/byte_size.h"

using namespace harness;

namespace {

class RealStick : public testing::Test {
  protected:
    void SetUp() override {
        image_ = support::Variable(L"TARNVIK_TEST_STICK_IMAGE");
        ASSERT_FALSE(image_.empty()) << "run through real_stick_test.sh";
        folder_ = FreshTestFolder();
        exe_ = InstallTestBuild(folder_);
        MakeFolders(folder_ + L"\\Tarnvik");
        ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\TarnvikDiskStickBuild.exe").c_str(),
                              (folder_ + L"\\Tarnvik\\Bootice.exe").c_str(), FALSE));
    }

    // Starts Tarnvik with the image chosen, and checks that its list shows the stick as it is.
    HWND Start() {
        HWND window = StartWithImage(program_, exe_, L"debug", folder_, image_);
        if (!window) return nullptr;
        const std::wstring label = support::Variable(L"TARNVIK_TEST_STICK_LABEL");
        const std::wstring row = L"E:\\ [" + label + L"]  FD FAT32  (";
        const std::vector<std::wstring> rows = program_.Control(window, kDriveList).rows;
        EXPECT_EQ(rows.size(), 1u) << testing::PrintToString(rows);
        // Only with the volume mounted is the size its own (else it is the folder's disk's).
        const std::wstring bytes = support::Variable(L"TARNVIK_TEST_STICK_BYTES");
        if (!bytes.empty()) {
            EXPECT_EQ(rows, std::vector<std::wstring>{row + FormatByteSize(_wtoi64(bytes.c_str())) +
                                                      L")"});
        } else if (!rows.empty()) {
            EXPECT_EQ(rows[0].rfind(row, 0), 0u) << Narrow(rows[0]);
        }
        EXPECT_EQ(program_.Control(window, kLabelField).text, label);
        return window;
    }

    // Runs the job to DONE (a format takes two rounds of mounting the volume), and closes.
    void RunToDone(HWND window) {
        EXPECT_EQ(RunJobToEnd(program_, window, folder_, 600000), L"DONE");
        EXPECT_EQ(program_.Control(window, kJobProgressBar).position, 100);
        EXPECT_TRUE(CloseAndExit(program_, window));
    }

    void ExpectLog(const std::vector<std::string>& patterns) {
        ExpectLinesMatch(JobLogLines(folder_ + L"\\Tarnvik.log"), patterns);
    }
    // The image's name as a pattern.
    std::string Iso() { return Escaped(Narrow(image_.substr(image_.find_last_of(L"\\/") + 1))); }
    // Picks the option (0: none), runs the job to DONE and expects the lines given before "DONE".
    void RunToDone(int option, std::vector<std::string> beforeDone) {
        HWND window = Start();
        ASSERT_NE(window, nullptr);
        if (option) {
            program_.Click(window, option);
            ASSERT_TRUE(WaitUntil([&] { return program_.Control(window, option).checked; }));
        }
        RunToDone(window);
        beforeDone.push_back("DONE");
        ExpectLog(AfterFormat(ExtractedAndVerified(Iso(), ".+", beforeDone)));
    }

    std::wstring image_, folder_, exe_;
    Program program_;
};

TEST_F(RealStick, StandardBootManager) {
    RunToDone(0, {});
}

TEST_F(RealStick, Grub4Dos) {
    RunToDone(kGrub4DosOption,
              {"Detect Grub4Dos at root or in Boot folder", "Grub4Dos detected",
               "Write Grub4Dos in Partition Boot Record",
               "Successfully Write Grub4Dos in Partition Boot Record  - " + kLogStamp});
}

// The FAT32 stick becomes NTFS. Wine then shows the volume through the ntfs-3g mount: its real
// size and "NTFS", but no label, since Wine reads labels only from FAT boot sectors and
// .windows-label files (the script checks the label on the volume itself). Windows shows it.
TEST_F(RealStick, StandardBootManagerNtfs) {
    ASSERT_NO_FATAL_FAILURE(RunToDone(kNtfsOption, {}));

    wchar_t label[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
    ASSERT_TRUE(GetVolumeInformationW(L"E:\\", label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                                      fileSystem, MAX_PATH + 1));
    ULARGE_INTEGER total{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(L"E:\\", nullptr, &total, nullptr));
    std::printf("Wine shows E: as %s, label \"%s\", %s\n", Narrow(fileSystem).c_str(),
                Narrow(label).c_str(),
                Narrow(FormatByteSize(static_cast<int64_t>(total.QuadPart))).c_str());
    EXPECT_EQ(std::wstring(fileSystem), L"NTFS");
    const std::wstring shown = label;
    EXPECT_TRUE(shown.empty() || shown == support::Variable(L"TARNVIK_TEST_STICK_LABEL"))
        << Narrow(shown);
    // The stick's 256 MiB, not the host disk's size that an unmounted folder would show.
    EXPECT_GT(total.QuadPart, 200ull << 20);
    EXPECT_LT(total.QuadPart, 256ull << 20);
}

// An installer whose install.wim the test build's limits (set by the script) split into parts; the
// log's lines are job_test's to check, the parts on the stick the script's.
TEST_F(RealStick, WimSplit) {
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    RunToDone(window);
}

// An image that cannot work on this stick is refused before the warning; the script checks
// that the stick kept its volume and its files.
TEST_F(RealStick, RefusedBeforeTheFormat) {
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    program_.Click(window, kCopyButton);
    const DialogState box = program_.WaitForDialog(L"Tarnvik");
    ASSERT_NE(box.handle, nullptr);
    SaveWindowPicture(box.handle, folder_ + L"\\refused.png");
    EXPECT_NE(box.text.find(support::Variable(L"TARNVIK_TEST_STICK_REFUSAL")), std::wstring::npos)
        << Narrow(box.text);
    ASSERT_TRUE(program_.Answer(box, IDOK));
    EXPECT_TRUE(program_.Control(window, kCopyButton).visible) << "the window stays idle";
    EXPECT_TRUE(CloseAndExit(program_, window));
}

}  // namespace

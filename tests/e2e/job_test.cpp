// Whole jobs under Wine: a simulated USB stick, an image made by xorriso, the real 7-Zip payload
// (or a slow stand-in) and the stand-in disk tool; the drive, the tool's journal, the log and the
// window are checked after each.
#include <gtest/gtest.h>


#include "res/control_ids.h"
#include "tests/harness/case_name.h"
#include "tests/harness/harness.h"
#include "tests/harness/job_run.h"

using namespace harness;

namespace {

const std::string& kStamp = kLogStamp;
const std::string kFormatFat32 =
    "/device=E: /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=MyStick /quiet";
const std::string kMbr = "/device=E: /mbr /install /type=nt60 /quiet";
const std::string kPbr = "/device=E: /pbr /install /type=bootmgr /quiet";
const std::string kGrubPbr = "/device=E: /pbr /install /type=grub4dos /pbr-disable-floppy /quiet";

std::wstring Fixture(const std::wstring& name) {
    return BuildFolder() + L"\\fixtures\\" + name;
}

class Job : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = FreshTestFolder();
        exe_ = InstallTestBuild(folder_);
        drive_ = folder_ + L"\\stick";
        stick_ = std::make_unique<SimulatedDrive>(L'E', DRIVE_REMOVABLE, drive_, L"MyStick");
        ASSERT_TRUE(WriteFileBytes(drive_ + L"\\old-file.txt", "on the stick before the format"));
        tools_ = folder_ + L"\\Tarnvik";
        MakeFolders(tools_);
        ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\fake_bootice.exe").c_str(),
                              (tools_ + L"\\Bootice.exe").c_str(), FALSE));
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"TARNVIK_TEST_TAMPER_FILE", nullptr);
    }

    // Starts Tarnvik in debug mode and chooses the image in its dialog.
    HWND Start(const std::wstring& image) {
        return StartWithImage(program_, exe_, L"debug", folder_, image);
    }
    void Confirm(HWND window) { ASSERT_TRUE(ConfirmJob(program_, window)); }
    // Waits for the job's end as the window shows it, then checks what every end shows.
    void ExpectEnded(HWND window, const std::wstring& status, int bar) {
        ASSERT_TRUE(
            WaitUntil([&] { return program_.Control(window, kBackButton).visible; }, 120000));
        SaveWindowPicture(window, folder_ + L"\\ended.png");
        EXPECT_EQ(program_.Control(window, kStatusText).text, status);
        EXPECT_EQ(program_.Control(window, kJobProgressBar).position, bar);
        EXPECT_FALSE(program_.Control(window, kCopyButton).visible);
    }
    // Confirms the job, waits for its end as the window shows it, and closes the program.
    void RunToEnd(HWND window, const std::wstring& status, int bar) {
        Confirm(window);
        ExpectEnded(window, status, bar);
        CloseProgram(window);
    }
    void CloseProgram(HWND window) { EXPECT_TRUE(CloseAndExit(program_, window)); }
    std::vector<std::string> Journal() { return ReadLines(tools_ + L"\\bootice-journal.txt"); }
    std::vector<std::string> JobLog() { return JobLogLines(folder_ + L"\\Tarnvik.log"); }
    void ExpectLog(const std::vector<std::string>& patterns) {
        ExpectLinesMatch(JobLog(), patterns);
    }
    std::map<std::wstring, std::string> DriveTree() {
        auto tree = ReadTree(drive_);
        tree.erase(L".windows-label");
        return tree;
    }
    std::wstring folder_, exe_, drive_, tools_;
    std::unique_ptr<SimulatedDrive> stick_;
    Program program_;
};

TEST_F(Job, Fat32WithTheStandardBootManager) {
    HWND window = Start(Fixture(L"plain.iso"));
    ASSERT_NE(window, nullptr);
    RunToEnd(window, L"DONE", 100);

    EXPECT_EQ(Journal(), (std::vector<std::string>{kFormatFat32, kMbr, kPbr}));
    EXPECT_EQ(DriveTree(), ReadTree(Fixture(L"plain")));
    std::string label;
    ReadFileBytes(drive_ + L"\\.windows-label", label);
    EXPECT_EQ(label, "MyStick");
    ExpectLog(AfterFormat(ExtractedAndVerified(R"(plain\.iso)", R"(3\.66 MB)", {"DONE"})));
    ExpectNoTempTools();
}

class JobWithAddFiles : public Job {
  protected:
    void PlantAddFiles() {
        const std::wstring add = folder_ + L"\\TarnvikAddFiles";
        MakeFolders(add + L"\\extra\\deep\\more");
        WriteFileBytes(add + L"\\extra\\readme.txt", "extra readme\r\n");
        WriteFileBytes(add + L"\\extra\\deep\\more\\data.bin", std::string(10000, 'd'));
        WriteFileBytes(add + L"\\hidden.txt", "hidden");
        WriteFileBytes(add + L"\\readonly.txt", "read only");
        WriteFileBytes(add + L"\\empty.txt", "");
        WriteFileBytes(add + L"\\README.TXT", "replaces the image's own README");
        SetFileAttributesW((add + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesW((add + L"\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        // A last-write time far from now, to see it carried over.
        HANDLE file = CreateFileW((add + L"\\extra\\readme.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME old{0x2A5B3C00, 0x01D20000};
        SetFileTime(file, nullptr, nullptr, &old);
        CloseHandle(file);
        oldTime_ = old;
    }
    FILETIME oldTime_{};
};

TEST_F(JobWithAddFiles, CopiesTheTreeWithAttributesAndTimes) {
    PlantAddFiles();
    HWND window = Start(Fixture(L"plain.iso"));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(program_.Control(window, kAddFilesCheck).checked);
    RunToEnd(window, L"DONE", 100);

    std::map<std::wstring, std::string> expected = ReadTree(Fixture(L"plain"));
    for (const auto& [path, content] : ReadTree(folder_ + L"\\TarnvikAddFiles"))
        expected[path] = content;
    EXPECT_EQ(DriveTree(), expected);
    EXPECT_TRUE(GetFileAttributesW((drive_ + L"\\readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(GetFileAttributesW((drive_ + L"\\hidden.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    WIN32_FILE_ATTRIBUTE_DATA copied{};
    ASSERT_TRUE(GetFileAttributesExW((drive_ + L"\\extra\\readme.txt").c_str(),
                                     GetFileExInfoStandard, &copied));
    EXPECT_EQ(CompareFileTime(&copied.ftLastWriteTime, &oldTime_), 0);
    std::vector<std::string> log = AfterFormat(Extracted(R"(plain\.iso)", R"(3\.66 MB)"));
    log.insert(
        log.end(),
        {
            R"(Copy additional Files \(9\.82 KB\), Number of files \(6\))",
            R"(Successfully Copied additional Files to USB drive E:\\ \(9\.82 KB\)  - )" + kStamp,
        });
    log.insert(log.end(), kVerified.begin(), kVerified.end());
    log.push_back("DONE");
    ExpectLog(log);
    ExpectNoTempTools();
}

TEST_F(JobWithAddFiles, LeavesThemOutWhenNotTicked) {
    PlantAddFiles();
    HWND window = Start(Fixture(L"plain.iso"));
    ASSERT_NE(window, nullptr);
    program_.Click(window, kAddFilesCheck);
    ASSERT_TRUE(WaitUntil([&] { return !program_.Control(window, kAddFilesCheck).checked; }));
    RunToEnd(window, L"DONE", 100);
    EXPECT_EQ(DriveTree(), ReadTree(Fixture(L"plain")));
    const std::vector<std::string> lines = JobLog();
    EXPECT_EQ(lines.size(), 9u) << "no additional-files lines";
}

struct GrubCase {
    const char* name;
    const wchar_t* fixture;
    bool detected;
};

class Grub4Dos : public Job, public testing::WithParamInterface<GrubCase> {};

TEST_P(Grub4Dos, FindsTheLoaderAndWritesItsBootRecord) {
    const GrubCase& c = GetParam();
    HWND window = Start(Fixture(std::wstring(c.fixture) + L".iso"));
    ASSERT_NE(window, nullptr);
    program_.Click(window, kGrub4DosOption);
    ASSERT_TRUE(WaitUntil([&] { return program_.Control(window, kGrub4DosOption).checked; }));
    RunToEnd(window, L"DONE", 100);

    std::map<std::wstring, std::string> expected = ReadTree(Fixture(c.fixture));
    if (expected.count(L"boot\\grldr") && !expected.count(L"grldr"))
        expected[L"grldr"] = expected[L"boot\\grldr"];
    if (c.detected) expected.erase(L"boot\\grldr");
    EXPECT_EQ(DriveTree(), expected);

    std::vector<std::string> journal = {kFormatFat32, kMbr, kPbr};
    if (c.detected) journal.push_back(kGrubPbr);
    EXPECT_EQ(Journal(), journal);

    const std::string iso = Escaped(Narrow(c.fixture)) + R"(\.iso)";
    std::vector<std::string> log =
        AfterFormat(ExtractedAndVerified(iso, ".+", {"Detect Grub4Dos at root or in Boot folder"}));
    if (c.detected) {
        log.insert(log.end(),
                   {"Grub4Dos detected", "Write Grub4Dos in Partition Boot Record",
                    "Successfully Write Grub4Dos in Partition Boot Record  - " + kStamp});
    } else {
        log.push_back("Grub4Dos not detected");
    }
    log.push_back("DONE");
    ExpectLog(log);
    ExpectNoTempTools();
}

INSTANTIATE_TEST_SUITE_P(Loader, Grub4Dos,
                         testing::Values(GrubCase{"AtTheRoot", L"grub-root", true},
                                         GrubCase{"OnlyInBoot", L"grub-boot", true},
                                         GrubCase{"InBoth", L"grub-both", true},
                                         GrubCase{"Absent", L"plain", false},
                                         GrubCase{"ZeroBytes", L"grub-empty", false}),
                         harness::CaseName());

// An archiver that fails (a full stick, an image that breaks half-way) ends the job there.
TEST_F(Job, FailingArchiverEndsWithTheExtractionError) {
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\failing_archiver.exe").c_str(),
                          (tools_ + L"\\7z.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(tools_ + L"\\7z.dll", "stand-in library"));
    HWND window = Start(Fixture(L"plain.iso"));
    ASSERT_NE(window, nullptr);
    RunToEnd(window, L"An error occurred while Extracting plain.iso   (  100 b )", 99);
    ExpectLog(AfterFormat({
        R"(Copy plain\.iso files \(3\.66 MB\)  to USB drive E:\\)",
        R"(An error occurred while Extracting plain\.iso  - )" + kStamp,
    }));
    ExpectNoTempTools();
}

// The image is listed before the warning: one that cannot work costs nothing on the stick.
struct ImageCheckCase {
    const char* name;
    const wchar_t* fixture;
    bool ntfs;
    std::vector<std::wstring> message;  // what the refusal says; empty: the warning comes
};

class ImageCheck : public Job, public testing::WithParamInterface<ImageCheckCase> {};

TEST_P(ImageCheck, RefusesBeforeTheWarningWhatCannotWork) {
    const ImageCheckCase& c = GetParam();
    HWND window = Start(Fixture(c.fixture));
    ASSERT_NE(window, nullptr);
    if (c.ntfs) {
        program_.Click(window, kNtfsOption);
        ASSERT_TRUE(WaitUntil([&] { return program_.Control(window, kNtfsOption).checked; }));
    }
    program_.Click(window, kCopyButton);
    const DialogState box = program_.WaitForDialog(L"Tarnvik");
    ASSERT_TRUE(box.handle);
    SaveWindowPicture(box.handle, folder_ + L"\\message.png");
    if (c.message.empty()) {
        EXPECT_EQ(box.text.rfind(L"WARNING: ", 0), 0u) << Narrow(box.text);
        program_.Answer(box, IDNO);
    } else {
        for (const std::wstring& part : c.message)
            EXPECT_NE(box.text.find(part), std::wstring::npos) << Narrow(box.text);
        program_.Answer(box, IDOK);
    }
    EXPECT_TRUE(program_.Control(window, kCopyButton).visible) << "the window stays idle";
    CloseProgram(window);
    EXPECT_TRUE(Journal().empty());
    EXPECT_TRUE(FileExists(drive_ + L"\\old-file.txt")) << "nothing touched the stick";
    ExpectNoTempTools();
}

const std::vector<std::wstring> kUnreadable = {
    L"The selected ISO image cannot be read: it is damaged, incomplete or not an ISO image.\r\n"
    L"Nothing on the USB drive has been touched."};

INSTANTIATE_TEST_SUITE_P(
    Image, ImageCheck,
    testing::Values(ImageCheckCase{"NotAnImage", L"corrupt.iso", false, kUnreadable},
                    ImageCheckCase{"CutInHalf", L"truncated.iso", false, kUnreadable},
                    ImageCheckCase{
                        "FileOver4GiBOnFat32",
                        L"big.iso",
                        false,
                        {L"sources\\install.esd", L"4.50 GB", L"FAT32 cannot hold", L"NTFS can"}},
                    ImageCheckCase{"FileOver4GiBOnNtfs", L"big.iso", true, {}}),
    harness::CaseName());

// A byte the stick lost after the writing, in a file of the image or an additional file, ends
// the job with the read-back's error naming it.
struct LostByteCase {
    const char* name;
    const wchar_t* file;
    bool addFiles;
};

class LostByte : public Job, public testing::WithParamInterface<LostByteCase> {};

TEST_P(LostByte, TheReadBackNamesTheFile) {
    const LostByteCase& c = GetParam();
    if (c.addFiles) {
        MakeFolders(folder_ + L"\\TarnvikAddFiles\\extra");
        ASSERT_TRUE(WriteFileBytes(folder_ + L"\\TarnvikAddFiles\\extra\\readme.txt", "extra"));
    }
    SetEnvironmentVariableW(L"TARNVIK_TEST_TAMPER_FILE", c.file);
    HWND window = Start(Fixture(L"plain.iso"));
    ASSERT_NE(window, nullptr);
    const std::wstring error = L"An error occurred while Verifying " + std::wstring(c.file);
    RunToEnd(window, error, 99);
    std::vector<std::string> log = AfterFormat(Extracted(R"(plain\.iso)", R"(3\.66 MB)"));
    if (c.addFiles) {
        log.insert(
            log.end(),
            {R"(Copy additional Files \(5 b \), Number of files \(1\))",
             R"(Successfully Copied additional Files to USB drive E:\\ \(5 b \)  - )" + kStamp});
    }
    log.insert(log.end(), {kVerified[0],
                           Escaped(Narrow(error)) + ": content differs from byte 0  - " + kStamp});
    ExpectLog(log);
    EXPECT_EQ(Journal(), (std::vector<std::string>{kFormatFat32, kMbr, kPbr}))
        << "no boot record after a failed read-back";
    ExpectNoTempTools();
}

INSTANTIATE_TEST_SUITE_P(Stick, LostByte,
                         testing::Values(LostByteCase{"InAnImageFile", L"setup.exe", false},
                                         LostByteCase{"InAnAdditionalFile", L"extra\\readme.txt",
                                                      true}),
                         harness::CaseName());

TEST_F(Job, DiskToolThatCannotBeInstalledEndsWithTheInstallError) {
    // The user's replacement is there but another program keeps it from being read: the carried
    // tool does not run in its place.
    HANDLE locked = CreateFileW((tools_ + L"\\Bootice.exe").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    HWND window = Start(Fixture(L"plain.iso"));
    ASSERT_NE(window, nullptr);
    RunToEnd(window, L"An error occurred while installing Bootice in temp folder", 100);
    CloseHandle(locked);
    ExpectLog({"An error occurred while installing Bootice in temp folder"});
    EXPECT_TRUE(Journal().empty());
    EXPECT_TRUE(FileExists(drive_ + L"\\old-file.txt")) << "nothing touched the stick";
    ExpectNoTempTools();
}

// The carried disk tool is written to the temp folder and run; here the drive is a folder under
// Wine, which the tool cannot take for a USB stick, so the job must stop at the format.
TEST_F(Job, CarriedDiskToolFailingOnTheDriveEndsWithTheFormatError) {
#ifdef TARNVIK_BUILT_WITH_BOOTICE
    GTEST_SKIP() << "this build carries BOOTICE";
#endif
    DeleteFileW((tools_ + L"\\Bootice.exe").c_str());
    HWND window = Start(Fixture(L"plain.iso"));
    ASSERT_NE(window, nullptr);
    RunToEnd(window, L"An error occurred while Formating E:\\", 100);
    ExpectLog({
        R"(Formatting USB device E:\\)",
        R"(An error occurred while Formating E:\\ \(exit code [1-9]\d*\)  - )" + kStamp,
    });
    EXPECT_TRUE(FileExists(drive_ + L"\\old-file.txt")) << "the stick is as it was";
    ExpectNoTempTools();
}

// A disk-tool run that ends with a non-zero exit code stops the job there with its own error.
struct DiskToolFailureCase {
    const char* name;
    // What bootice-fail.txt tells the stand-in (the run and its exit code); empty: the
    // replacement tool is no program at all.
    const char* failing;
    const wchar_t* fixture;
    bool grub4Dos;
    std::vector<std::string> journal;
    std::vector<std::string> log;
    const wchar_t* status;
};

class FailingDiskTool : public Job, public testing::WithParamInterface<DiskToolFailureCase> {};

TEST_P(FailingDiskTool, EndsTheJobWithItsError) {
    const DiskToolFailureCase& c = GetParam();
    if (c.failing[0]) {
        ASSERT_TRUE(WriteFileBytes(tools_ + L"\\bootice-fail.txt", c.failing));
    } else {
        ASSERT_TRUE(WriteFileBytes(tools_ + L"\\Bootice.exe", "not a program"));
    }
    HWND window = Start(Fixture(std::wstring(c.fixture) + L".iso"));
    ASSERT_NE(window, nullptr);
    if (c.grub4Dos) {
        program_.Click(window, kGrub4DosOption);
        ASSERT_TRUE(WaitUntil([&] { return program_.Control(window, kGrub4DosOption).checked; }));
    }
    RunToEnd(window, c.status, 100);
    EXPECT_EQ(Journal(), c.journal);
    ExpectLog(c.log);
    ExpectNoTempTools();
}

const std::string kMbrFailed = "An error occurred while Writing Master and Partition Boot Record";

INSTANTIATE_TEST_SUITE_P(
    Run, FailingDiskTool,
    testing::Values(
        DiskToolFailureCase{
            "Format",
            "format 3",
            L"plain",
            false,
            {kFormatFat32},
            {R"(Formatting USB device E:\\)",
             R"(An error occurred while Formating E:\\ \(exit code 3\)  - )" + kStamp},
            L"An error occurred while Formating E:\\"},
        DiskToolFailureCase{"Mbr",
                            "mbr 4",
                            L"plain",
                            false,
                            {kFormatFat32, kMbr},
                            {kFormatStage[0], kFormatStage[1], kFormatStage[2],
                             kMbrFailed + R"( \(exit code 4\)  - )" + kStamp},
                            L"An error occurred while Writing Master and Partition Boot Record"},
        DiskToolFailureCase{"Pbr",
                            "pbr 5",
                            L"plain",
                            false,
                            {kFormatFat32, kMbr, kPbr},
                            {kFormatStage[0], kFormatStage[1], kFormatStage[2],
                             kMbrFailed + R"( \(exit code 5\)  - )" + kStamp},
                            L"An error occurred while Writing Master and Partition Boot Record"},
        DiskToolFailureCase{
            "Grub4Dos",
            "grub4dos 6",
            L"grub-root",
            true,
            {kFormatFat32, kMbr, kPbr, kGrubPbr},
            AfterFormat({
                R"(Copy grub-root\.iso files \(.+\)  to USB drive E:\\)",
                R"(Successfully Copied grub-root\.iso to USB drive E:\\ \(.+\)  - )" + kStamp,
                kVerified[0],
                kVerified[1],
                "Detect Grub4Dos at root or in Boot folder",
                "Grub4Dos detected",
                "Write Grub4Dos in Partition Boot Record",
                R"(An error occurred while Writing Grub4Dos in Partition Boot Record \(exit code 6\)  - )" +
                    kStamp,
            }),
            L"An error occurred while Writing Grub4Dos in Partition Boot Record"},
        // A replacement that is no program at all never starts, which is no success either.
        DiskToolFailureCase{
            "NotStarted",
            "",
            L"plain",
            false,
            {},
            {R"(Formatting USB device E:\\)",
             R"(An error occurred while Formating E:\\ \(the disk tool could not be started\)  - )" +
                 kStamp},
            L"An error occurred while Formating E:\\"}),
    harness::CaseName());

TEST_F(Job, QuitDuringTheFormatStopsAfterTheBootRecords) {
    ASSERT_TRUE(WriteFileBytes(tools_ + L"\\bootice-delay-ms.txt", "4000"));
    HWND window = Start(Fixture(L"plain.iso"));
    ASSERT_NE(window, nullptr);
    Confirm(window);
    ASSERT_TRUE(WaitUntil([&] {
        return program_.Control(window, kStatusText).text == L"Formatting USB device E:\\";
    }));

    // No: the job goes on. Yes: it stops at its next chance and the program ends.
    program_.Close(window);
    DialogState question = program_.WaitForDialog(L"Tarnvik");
    EXPECT_EQ(question.text,
              L"Copy ISO To Usb  is in progress, are you sure you want to cancel and quit ?");
    ASSERT_TRUE(program_.Answer(question, IDNO));
    program_.Close(window);
    question = program_.WaitForDialog(L"Tarnvik");
    SaveWindowPicture(window, folder_ + L"\\question.png");
    ASSERT_TRUE(program_.Answer(question, IDYES));
    DWORD code = 1;
    ASSERT_TRUE(program_.WaitForExit(code, 60000));
    EXPECT_EQ(code, 0u);

    EXPECT_EQ(Journal(), (std::vector<std::string>{kFormatFat32, kMbr, kPbr}));
    ExpectLog(AfterFormat({"Process Canceled"}));
    ExpectNoTempTools();
}

TEST_F(Job, QuitDuringTheExtractionStopsTheArchiver) {
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\slow_archiver.exe").c_str(),
                          (tools_ + L"\\7z.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(tools_ + L"\\7z.dll", "stand-in library"));
    HWND window = Start(Fixture(L"plain.iso"));
    ASSERT_NE(window, nullptr);
    Confirm(window);
    ASSERT_TRUE(WaitUntil(
        [&] { return program_.Control(window, kStatusText).text.rfind(L"Copy Files", 0) == 0; }));
    ASSERT_TRUE(WaitUntil([] { return ProcessRunning(L"USB7z.exe"); }));
    SaveWindowPicture(window, folder_ + L"\\extracting.png");
    program_.Close(window);
    ASSERT_TRUE(program_.Answer(program_.WaitForDialog(L"Tarnvik"), IDYES));
    DWORD code = 1;
    ASSERT_TRUE(program_.WaitForExit(code, 60000));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(ProcessRunning(L"USB7z.exe")) << "the archiver was stopped";
    const std::vector<std::string> log = JobLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Process Canceled");
    EXPECT_EQ(std::count(log.begin(), log.end(), "DONE"), 0);
    EXPECT_TRUE(FileExists(tools_ + L"\\7z.exe")) << "replacement files are never deleted";
    ExpectNoTempTools();
}

}  // namespace

namespace {

// Windows installers on FAT32: this build splits an install.wim of more than 1 MiB into parts of
// at most 1 MiB, so the small installer image of the fixtures gives many.
class WimSplit : public Job {
  protected:
    void SetUp() override {
        Job::SetUp();
        SetEnvironmentVariableW(L"TARNVIK_TEST_WIM_LIMITS", L"1048576 1048576");
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"TARNVIK_TEST_WIM_LIMITS", nullptr);
        SetEnvironmentVariableW(L"TARNVIK_TEST_SLOW_STREAMS", nullptr);
        Job::TearDown();
    }
};

// The stand-in archiver streams the image slowly, first for the check before the format, then
// for the split; the user quits during each.
TEST_F(WimSplit, QuitWhileTheImageStreamsEndsCleanly) {
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\slow_archiver.exe").c_str(),
                          (tools_ + L"\\7z.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(tools_ + L"\\7z.dll", "stand-in library"));
    SetEnvironmentVariableW(L"TARNVIK_TEST_SLOW_STREAMS", L"1");
    for (const wchar_t* step : {L"Checking ", L"Splitting "}) {
        SCOPED_TRACE(Narrow(step));
        HWND window = Start(Fixture(L"installer.iso"));
        ASSERT_NE(window, nullptr);
        Confirm(window);
        ASSERT_TRUE(WaitUntil(
            [&] { return program_.Control(window, kStatusText).text.rfind(step, 0) == 0; }, 60000));
        program_.Close(window);
        ASSERT_TRUE(program_.Answer(program_.WaitForDialog(L"Tarnvik"), IDYES));
        DWORD code = 1;
        ASSERT_TRUE(program_.WaitForExit(code, 60000));
        EXPECT_EQ(code, 0u);
        const std::vector<std::string> log = JobLog();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), "Process Canceled");
        EXPECT_EQ(std::count(log.begin(), log.end(), "DONE"), 0);
        EXPECT_FALSE(ProcessRunning(L"USB7z.exe") || ProcessRunning(L"7z.exe"));
        ExpectNoTempTools();
        if (std::wstring(step) == L"Checking ") {
            EXPECT_TRUE(Journal().empty()) << "quit before the format";
            EXPECT_TRUE(FileExists(drive_ + L"\\old-file.txt"));
        }
    }
}

// wimlib judges the parts this leaves on the drive afterwards (tests/e2e/wim_parts_test.sh).
TEST_F(WimSplit, InstallerOnFat32EndsDoneWithItsImageInParts) {
    HWND window = Start(Fixture(L"installer.iso"));
    ASSERT_NE(window, nullptr);
    RunToEnd(window, L"DONE", 100);

    std::map<std::wstring, std::string> tree = DriveTree(), expected = ReadTree(Fixture(L"installer"));
    expected.erase(L"sources\\install.wim");
    size_t parts = 0;
    for (auto it = tree.begin(); it != tree.end();) {
        const bool part = it->first.rfind(L"sources\\install", 0) == 0 &&
                          it->first.size() > 4 && it->first.substr(it->first.size() - 4) == L".swm";
        if (part) {
            ++parts;
            EXPECT_LE(it->second.size(), 1048576u) << Narrow(it->first);
        }
        it = part ? tree.erase(it) : std::next(it);
    }
    EXPECT_GE(parts, 3u);
    EXPECT_TRUE(tree.count(L"sources\\install.swm") == 0) << "the parts were counted";
    EXPECT_EQ(tree, expected) << "all else as in the image";
    const std::string wim = R"(sources\\install\.wim)";
    std::vector<std::string> log = {"Check " + wim + R"( \(.+\))",
                                    "Successfully Checked " + wim + R"(: \d+ parts  - )" + kStamp};
    for (const std::string& line : AfterFormat(Extracted(R"(installer\.iso)", R"(.+)")))
        log.push_back(line);
    log.push_back("Split " + wim + R"( into )" + std::to_string(parts) + R"( parts \(.+\))");
    log.push_back("Successfully Split " + wim + "  - " + kStamp);
    log.insert(log.end(), kVerified.begin(), kVerified.end());
    log.push_back("DONE");
    ExpectLog(log);
    ExpectNoTempTools();
}

TEST_F(WimSplit, AnImageThatCannotBeSplitEndsBeforeTheFormat) {
    HWND window = Start(Fixture(L"unsplittable.iso"));
    ASSERT_NE(window, nullptr);
    const std::wstring error =
        L"sources\\install.wim cannot be split for FAT32: it holds solid (ESD/LZMS) resources. "
        L"NTFS holds it whole; the USB drive was not changed.";
    RunToEnd(window, error, 1);  // where a job starts it
    EXPECT_TRUE(Journal().empty());
    EXPECT_TRUE(FileExists(drive_ + L"\\old-file.txt")) << "nothing touched the stick";
    ExpectLog({R"(Check sources\\install\.wim \(.+\))", Escaped(Narrow(error)) + "  - " + kStamp});
    ExpectNoTempTools();
}

}  // namespace

// Whole jobs under Wine on a simulated stick E:, one row each: the image and the options chosen,
// how the stand-ins of the disk tool and the archiver behave (the carried 7-Zip runs unless a row
// names a mode of the archiver's stand-in), what the user does (runs the job, meets a box when
// pressing Copy, or quits at a step), and what follows: the status and the bar, the disk tool's
// journal, the job's log lines after the header, and the stick's files.
#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/harness/case_name.h"
#include "tests/harness/job_run.h"

using namespace harness;

namespace {

enum class Act { kRun, kBox, kQuit };

struct JobScenario {
    const char* name;
    std::wstring image = L"plain.iso";   // a fixture; copied to F: when disks are given
    int option = 0;                      // clicked before the job: Grub4Dos, NTFS, add files
    const wchar_t* label = nullptr;      // typed into the label field
    bool addFiles = false;               // TarnvikAddFiles as PlantAddFiles() makes it
    const char* diskTool = "";           // bootice-fail.txt; or carried, locked, no program, slow
    const char* archiver = nullptr;      // the stand-in's mode (archiver.txt)
    const wchar_t* tamper = nullptr;     // the file whose first byte the stick loses
    const wchar_t* wimLimits = nullptr;  // the test build's split limits
    const char* disks = nullptr;         // "LETTER DISK" lines for E: and F:, the image on F:
    Act act = Act::kRun;
    std::wstring at = {};  // the start of the box's text, or the step quit at
    std::wstring status = L"DONE";
    int bar = 100;
    std::vector<std::string> journal = {};  // none: the stick is untouched
    std::vector<std::string> log = {};
    const wchar_t* tree = nullptr;  // the fixture whose tree the stick then holds, with changes:
    std::vector<std::pair<const wchar_t*, const wchar_t*>> changes = {};  // path, its file or null
};

void PrintTo(const JobScenario& row, std::ostream* out) {
    *out << row.name;
}

class Job : public StickJob, public testing::WithParamInterface<JobScenario> {
  protected:
    void TearDown() override {
        for (const wchar_t* name :
             {L"TARNVIK_TEST_TAMPER_FILE", L"TARNVIK_TEST_WIM_LIMITS", L"TARNVIK_TEST_DISKS_FILE"})
            SetEnvironmentVariableW(name, nullptr);
    }
    // Nested folders, a hidden, a read-only and an empty file, one that replaces the image's
    // README, and a last-write time far from now.
    void PlantAddFiles() {
        const std::wstring add = folder_ + L"\\TarnvikAddFiles\\";
        MakeFolders(add + L"extra\\deep\\more");
        for (const auto& [name, bytes] :
             {std::pair<const wchar_t*, std::string>{L"extra\\readme.txt", "extra readme\r\n"},
              {L"extra\\deep\\more\\data.bin", std::string(10000, 'd')},
              {L"hidden.txt", "hidden"},
              {L"readonly.txt", "read only"},
              {L"empty.txt", ""},
              {L"README.TXT", "replaces the image's own README"}}) {
            ASSERT_TRUE(WriteFileBytes(add + name, bytes));
        }
        SetFileAttributesW((add + L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesW((add + L"readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        HANDLE file = CreateFileW((add + L"extra\\readme.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        SetFileTime(file, nullptr, nullptr, &kOldTime);
        CloseHandle(file);
    }
    void ExpectAddFilesAttributes() {
        EXPECT_TRUE(GetFileAttributesW((drive_ + L"\\readonly.txt").c_str()) &
                    FILE_ATTRIBUTE_READONLY);
        EXPECT_TRUE(GetFileAttributesW((drive_ + L"\\hidden.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);
        WIN32_FILE_ATTRIBUTE_DATA copied{};
        ASSERT_TRUE(GetFileAttributesExW((drive_ + L"\\extra\\readme.txt").c_str(),
                                         GetFileExInfoStandard, &copied));
        EXPECT_EQ(CompareFileTime(&copied.ftLastWriteTime, &kOldTime), 0);
    }
    static constexpr FILETIME kOldTime{0x2A5B3C00, 0x01D20000};
};

TEST_P(Job, EndsAsItsRowSays) {
    const JobScenario& c = GetParam();
    const std::string tool = c.diskTool;
#ifdef TARNVIK_BUILT_WITH_BOOTICE
    if (tool == "carried") {
        GTEST_SKIP() << "this build carries BOOTICE";
    }
#endif
    if (tool == "carried") DeleteFileW((tools_ + L"\\Bootice.exe").c_str());
    // The stand-in's orders in its folder, or a replacement that is no program at all.
    const std::wstring order = tool == "no program" ? L"Bootice.exe"
                               : tool == "slow"     ? L"bootice-delay-ms.txt"
                                                    : L"bootice-fail.txt";
    if (!tool.empty() && tool != "carried" && tool != "locked") {
        ASSERT_TRUE(WriteFileBytes(tools_ + L"\\" + order, tool == "slow" ? "4000" : tool));
    }
    // Another program keeps the replacement from being read: the carried tool must not run instead.
    HANDLE held = tool == "locked" ? CreateFileW((tools_ + L"\\Bootice.exe").c_str(), GENERIC_READ,
                                                 0, nullptr, OPEN_EXISTING, 0, nullptr)
                                   : INVALID_HANDLE_VALUE;
    if (c.archiver) {
        ASSERT_NO_FATAL_FAILURE(UseArchiverStandIn(c.archiver));
    }
    if (c.addFiles) {
        ASSERT_NO_FATAL_FAILURE(PlantAddFiles());
    }
    SetEnvironmentVariableW(L"TARNVIK_TEST_TAMPER_FILE", c.tamper);
    SetEnvironmentVariableW(L"TARNVIK_TEST_WIM_LIMITS", c.wimLimits);
    std::wstring image = c.image;
    std::unique_ptr<SimulatedDrive> second;
    if (c.disks) {
        second =
            std::make_unique<SimulatedDrive>(L'F', DRIVE_REMOVABLE, folder_ + L"\\second", L"F");
        ASSERT_TRUE(second->Mapped());
        image = L"F:\\Image.iso";
        ASSERT_TRUE(
            CopyFileW((BuildFolder() + L"\\fixtures\\" + c.image).c_str(), image.c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(folder_ + L"\\disks.txt", c.disks));
        SetEnvironmentVariableW(L"TARNVIK_TEST_DISKS_FILE", (folder_ + L"\\disks.txt").c_str());
    }

    HWND window = Start(image);
    ASSERT_NE(window, nullptr);
    if (c.option) {
        const bool was = program_.Control(window, c.option).checked;
        program_.Click(window, c.option);
        ASSERT_TRUE(WaitUntil([&] { return program_.Control(window, c.option).checked != was; }));
    }
    if (c.label) program_.Type(window, kLabelField, c.label);
    if (c.act == Act::kBox) {
        program_.Click(window, kCopyButton);
        const DialogState box = program_.WaitForDialog(L"Tarnvik");
        ASSERT_NE(box.handle, nullptr);
        SaveWindowPicture(box.handle, folder_ + L"\\box.png");
        EXPECT_EQ(box.text.rfind(c.at, 0), 0u) << Narrow(box.text);
        EXPECT_TRUE(program_.Answer(box, IDNO) || program_.Answer(box, IDOK));
        EXPECT_TRUE(program_.Control(window, kCopyButton).visible) << "the window stays idle";
        Close(window);
    } else if (c.act == Act::kRun) {
        EXPECT_EQ(RunToEnd(window), c.status);
        EXPECT_EQ(program_.Control(window, kJobProgressBar).position, c.bar);
        Close(window);
    } else {
        ASSERT_NO_FATAL_FAILURE(QuitDuring(window, c.at, c.archiver != nullptr));
        EXPECT_FALSE(ProcessRunning(L"USB7z.exe") || ProcessRunning(L"7z.exe"))
            << "the archiver was stopped";
    }
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);

    EXPECT_EQ(Journal(), c.journal);
    if (c.journal.empty()) {
        EXPECT_TRUE(Untouched()) << "nothing touched the stick";
    }
    ExpectLinesMatch(JobLog(), c.log);
    if (c.tree) {
        std::map<std::wstring, std::string> expected =
            ReadTree(BuildFolder() + L"\\fixtures\\" + c.tree);
        for (const auto& [path, source] : c.changes) {
            if (source)
                expected[path] = expected[source];
            else
                expected.erase(path);
        }
        const bool addFilesTicked = c.addFiles && c.option != kAddFilesCheck;
        for (const auto& [path, bytes] : ReadTree(folder_ + L"\\TarnvikAddFiles")) {
            if (addFilesTicked) expected[path] = bytes;
        }
        std::map<std::wstring, std::string> drive = DriveTree();
        // The installer's image in parts, which wimlib judges (tests/e2e/wim_parts_test.sh).
        std::erase_if(drive, [](const auto& entry) {
            return entry.first.starts_with(L"sources\\install") && entry.first.ends_with(L".swm");
        });
        EXPECT_EQ(drive, expected);
        if (addFilesTicked) ExpectAddFilesAttributes();
    }
    EXPECT_TRUE(tool == "carried" || FileExists(tools_ + L"\\Bootice.exe"))
        << "replacement files are never deleted";
    EXPECT_TRUE(!c.archiver || FileExists(tools_ + L"\\7z.exe"));
    ExpectNoTempTools();
}

// The rows, and what they are made of.
// clang-format off
const std::string kFormatFat32 =
    "/device=E: /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=MyStick /quiet";
const std::string kMbr = "/device=E: /mbr /install /type=nt60 /quiet";
const std::string kPbr = "/device=E: /pbr /install /type=bootmgr /quiet";
const std::vector<std::string> kBootRecords = {kFormatFat32, kMbr, kPbr};
const std::vector<std::string> kGrubRecords = {
    kFormatFat32, kMbr, kPbr, "/device=E: /pbr /install /type=grub4dos /pbr-disable-floppy /quiet"};
const wchar_t kSmallParts[] = L"1048576 1048576";
const std::string kWim = R"(sources\\install\.wim)";

std::vector<std::string> Cat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> lines;
    for (const auto& part : parts) lines.insert(lines.end(), part.begin(), part.end());
    return lines;
}
std::string Failed(const std::string& what) {
    return Escaped("An error occurred while " + what) + "  - " + kLogStamp;
}
// The read-back's error for a file whose first byte the stick lost.
std::string Lost(const std::string& file) {
    return Escaped("An error occurred while Verifying " + file) +
           ": content differs from byte 0  - " + kLogStamp;
}
const std::wstring kRecordsFailed =
    L"An error occurred while Writing Master and Partition Boot Record";

const std::vector<std::string> kPlain = Extracted(R"(plain\.iso)", R"(3\.66 MB)");
const std::vector<std::string> kAddFiles = {
    R"(Copy additional Files \(9\.82 KB\), Number of files \(6\))",
    R"(Successfully Copied additional Files to USB drive E:\\ \(9\.82 KB\)  - )" + kLogStamp};
const std::vector<std::string> kGrubDetected = {
    "Detect Grub4Dos at root or in Boot folder", "Grub4Dos detected",
    "Write Grub4Dos in Partition Boot Record"};
const std::vector<std::string> kChecked = {
    "Check " + kWim + R"( \(.+\))",
    "Successfully Checked " + kWim + R"(: \d+ parts  - )" + kLogStamp};

JobScenario Grub(const char* name, const wchar_t* fixture, bool detected,
                 std::vector<std::pair<const wchar_t*, const wchar_t*>> changes = {}) {
    const std::vector<std::string> end =
        detected ? Cat({kGrubDetected,
                        {"Successfully Write Grub4Dos in Partition Boot Record  - " + kLogStamp}})
                 : std::vector<std::string>{kGrubDetected[0], "Grub4Dos not detected"};
    return {.name = name, .image = fixture + std::wstring(L".iso"), .option = kGrub4DosOption,
            .journal = detected ? kGrubRecords : kBootRecords,
            .log = Cat({kFormatStage, Extracted(Escaped(Narrow(fixture)) + R"(\.iso)", ".+"),
                        kVerified, end, {"DONE"}}),
            .tree = fixture, .changes = changes};
}

const std::wstring kSolid =
    L"sources\\install.wim cannot be split for FAT32: it holds solid (ESD/LZMS) resources. NTFS "
    L"holds it whole; the USB drive was not changed.";
const std::wstring kUnreadable =
    L"The selected ISO image cannot be read: it is damaged, incomplete or not an ISO image.\r\n"
    L"Nothing on the USB drive has been touched.";
const std::wstring kImageOnTarget =
    L"The selected ISO image is on the USB drive that will be formatted.\r\nCopy the ISO image to "
    L"another drive first.";

INSTANTIATE_TEST_SUITE_P(Done, Job, testing::Values(
    JobScenario{.name = "Fat32WithTheStandardBootManager", .journal = kBootRecords,
                .log = Cat({kFormatStage, kPlain, kVerified, {"DONE"}}), .tree = L"plain"},
    // The label's blank reaches the disk tool unquoted.
    JobScenario{.name = "NtfsWithABlankInTheLabel", .option = kNtfsOption, .label = L"My Stick",
                .journal = {"/device=E: /partitions /repartition /activate /usb-hdd /fstype=NTFS "
                            "/vollabel=My Stick /quiet", kMbr, kPbr},
                .log = Cat({kFormatStage, kPlain, kVerified, {"DONE"}}), .tree = L"plain"},
    JobScenario{.name = "AddFilesWithTheirAttributesAndTimes", .addFiles = true,
                .journal = kBootRecords,
                .log = Cat({kFormatStage, kPlain, kAddFiles, kVerified, {"DONE"}}), .tree = L"plain"},
    JobScenario{.name = "AddFilesUnticked", .option = kAddFilesCheck, .addFiles = true,
                .journal = kBootRecords,
                .log = Cat({kFormatStage, kPlain, kVerified, {"DONE"}}), .tree = L"plain"},
    Grub("Grub4DosAtTheRoot", L"grub-root", true),
    Grub("Grub4DosMovedFromBoot", L"grub-boot", true,
         {{L"grldr", L"boot\\grldr"}, {L"boot\\grldr", nullptr}}),
    Grub("Grub4DosInBothTheRootWins", L"grub-both", true, {{L"boot\\grldr", nullptr}}),
    Grub("Grub4DosAbsent", L"plain", false),
    Grub("Grub4DosOfZeroBytes", L"grub-empty", false),
    // Split at 1 MiB into many parts, which wimlib judges afterwards.
    JobScenario{.name = "InstallerSplitIntoParts", .image = L"installer.iso",
                .wimLimits = kSmallParts, .journal = kBootRecords,
                .log = Cat({kChecked, kFormatStage, Extracted(R"(installer\.iso)", ".+"),
                            {"Split " + kWim + R"( into ([3-9]|\d\d+) parts \(.+\))",
                             "Successfully Split " + kWim + "  - " + kLogStamp},
                            kVerified, {"DONE"}}),
                .tree = L"installer", .changes = {{L"sources\\install.wim", nullptr}}}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(Failed, Job, testing::Values(
    JobScenario{.name = "ArchiverFails", .archiver = "failing",
                .status = L"An error occurred while Extracting plain.iso   (  100 b )", .bar = 99,
                .journal = kBootRecords,
                .log = Cat({kFormatStage, {kPlain[0], Failed("Extracting plain.iso")}})},
    // A byte the stick lost after the writing, in a file of the image or an additional one.
    JobScenario{.name = "StickLostAByteOfTheImage", .tamper = L"setup.exe",
                .status = L"An error occurred while Verifying setup.exe", .bar = 99,
                .journal = kBootRecords,
                .log = Cat({kFormatStage, kPlain, {kVerified[0], Lost("setup.exe")}})},
    JobScenario{.name = "StickLostAByteOfAnAdditionalFile", .addFiles = true,
                .tamper = L"extra\\readme.txt",
                .status = L"An error occurred while Verifying extra\\readme.txt", .bar = 99,
                .journal = kBootRecords,
                .log = Cat({kFormatStage, kPlain, kAddFiles, {kVerified[0], Lost("extra\\readme.txt")}})},
    JobScenario{.name = "ReplacementDiskToolUnreadable", .diskTool = "locked",
                .status = L"An error occurred while installing Bootice in temp folder",
                .log = {"An error occurred while installing Bootice in temp folder"}},
    // The carried disk tool cannot take a folder under Wine for a USB stick.
    JobScenario{.name = "CarriedDiskToolRefusesTheFolderDrive", .diskTool = "carried",
                .status = L"An error occurred while Formating E:\\",
                .log = {kFormatStage[0], R"(An error occurred while Formating E:\\ \(exit code )"
                                         R"([1-9]\d*\)  - )" + kLogStamp}},
    JobScenario{.name = "DiskToolFailsTheFormat", .diskTool = "format 3",
                .status = L"An error occurred while Formating E:\\", .journal = {kFormatFat32},
                .log = {kFormatStage[0], Failed("Formating E:\\ (exit code 3)")}},
    JobScenario{.name = "DiskToolFailsTheMbr", .diskTool = "mbr 4", .status = kRecordsFailed,
                .journal = {kFormatFat32, kMbr},
                .log = {kFormatStage[0], kFormatStage[1], kFormatStage[2],
                        Failed("Writing Master and Partition Boot Record (exit code 4)")}},
    JobScenario{.name = "DiskToolFailsThePbr", .diskTool = "pbr 5", .status = kRecordsFailed,
                .journal = kBootRecords,
                .log = {kFormatStage[0], kFormatStage[1], kFormatStage[2],
                        Failed("Writing Master and Partition Boot Record (exit code 5)")}},
    JobScenario{.name = "DiskToolFailsGrub4Dos", .image = L"grub-root.iso",
                .option = kGrub4DosOption, .diskTool = "grub4dos 6",
                .status = L"An error occurred while Writing Grub4Dos in Partition Boot Record",
                .journal = kGrubRecords,
                .log = Cat({kFormatStage, Extracted(R"(grub-root\.iso)", ".+"), kVerified,
                            kGrubDetected,
                            {Failed("Writing Grub4Dos in Partition Boot Record (exit code 6)")}})},
    // A replacement that is no program never starts, which is no success either.
    JobScenario{.name = "DiskToolNoProgram", .diskTool = "no program",
                .status = L"An error occurred while Formating E:\\",
                .log = {kFormatStage[0], Failed("Formating E:\\ (the disk tool could not be started)")}},
    // Checked before the format.
    JobScenario{.name = "InstallerOfSolidResources", .image = L"unsplittable.iso",
                .wimLimits = kSmallParts, .status = kSolid, .bar = 1,
                .log = {kChecked[0], Escaped(Narrow(kSolid)) + "  - " + kLogStamp}}),
    CaseName());

// Copy brings a box; answered, nothing happens. Which disks E: and F: lie on comes from the file
// the test build reads.
INSTANTIATE_TEST_SUITE_P(Box, Job, testing::Values(
    JobScenario{.name = "NotAnImage", .image = L"corrupt.iso", .act = Act::kBox, .at = kUnreadable},
    JobScenario{.name = "ImageCutInHalf", .image = L"truncated.iso", .act = Act::kBox,
                .at = kUnreadable},
    JobScenario{.name = "FileOver4GiBOnFat32", .image = L"big.iso", .act = Act::kBox,
                .at = L"The selected ISO image holds the file sources\\install.esd of 4.50 GB "
                      L"(4831838208 bytes).\r\nFAT32 cannot hold a file of 4 GB or more; NTFS can."},
    JobScenario{.name = "FileOver4GiBOnNtfs", .image = L"big.iso", .option = kNtfsOption,
                .act = Act::kBox, .at = L"WARNING: "},
    JobScenario{.name = "ImageOnASecondVolumeOfTheStick", .disks = "E 3\nF 3\n", .act = Act::kBox,
                .at = kImageOnTarget},
    JobScenario{.name = "ImageOnAVolumeSpanningTheStick", .disks = "E 3\nF 0\nF 3\n",
                .act = Act::kBox, .at = kImageOnTarget},
    JobScenario{.name = "ImageOnAnotherDisk", .disks = "E 3\nF 0\n", .act = Act::kBox,
                .at = L"WARNING: "},
    JobScenario{.name = "DisksUnknown", .disks = "", .act = Act::kBox, .at = L"WARNING: "}),
    CaseName());

// The user quits during a step; the job stops at its next chance.
INSTANTIATE_TEST_SUITE_P(Quit, Job, testing::Values(
    JobScenario{.name = "DuringTheFormat", .diskTool = "slow", .act = Act::kQuit,
                .at = L"Formatting USB device E:\\", .journal = kBootRecords,
                .log = Cat({kFormatStage, {"Process Canceled"}})},
    JobScenario{.name = "DuringTheExtraction", .archiver = "slow", .act = Act::kQuit,
                .at = L"Copy Files", .journal = kBootRecords,
                .log = Cat({kFormatStage, {kPlain[0], "Process Canceled"}})},
    JobScenario{.name = "DuringTheCheck", .image = L"installer.iso", .archiver = "slow-streams",
                .wimLimits = kSmallParts, .act = Act::kQuit, .at = L"Checking ",
                .log = {kChecked[0], "Process Canceled"}},
    JobScenario{.name = "DuringTheSplit", .image = L"installer.iso", .archiver = "slow-streams",
                .wimLimits = kSmallParts, .act = Act::kQuit, .at = L"Splitting ",
                .journal = kBootRecords,
                .log = Cat({kChecked, kFormatStage, Extracted(R"(installer\.iso)", ".+"),
                            {"Split " + kWim + R"( into \d+ parts \(.+\))", "Process Canceled"}})}),
    CaseName());
// clang-format on

}  // namespace

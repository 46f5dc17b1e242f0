// Code that someone else placed where our elevated programs or their tools could find it: the
// tools' copies cannot be changed while a job uses them, and DLLs planted beside the program, in
// the temp folder (where the tools ran before they had a folder of their own) or beside the
// replacement tools are never loaded.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/harness/harness.h"
#include "tests/harness/job_run.h"

using namespace harness;

namespace {

// A whole job on a simulated stick E: with the stand-in disk tool as the user's replacement, so
// that the temp folder holds only what the program carries for 7-Zip.
class PlantedCode : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = FreshTestFolder();
        drive_ = folder_ + L"\\stick";
        stick_ = std::make_unique<SimulatedDrive>(L'E', DRIVE_REMOVABLE, drive_, L"MyStick");
        tools_ = folder_ + L"\\Tarnvik";
        MakeFolders(tools_);
        ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\fake_bootice.exe").c_str(),
                              (tools_ + L"\\Bootice.exe").c_str(), FALSE));
        temp_ = TempFolder();
    }
    void TearDown() override {
        for (const std::wstring& path : planted_) {
            DeleteFileW(path.c_str());
            DeleteFileW((path + L".loaded").c_str());
        }
        for (const wchar_t* name : {L"Codecs", L"Formats"}) RemoveDirectoryW((temp_ + name).c_str());
    }
    // The program in a folder of the test's (with its backslash); it runs in folder_ either way.
    void Install(const wchar_t* build, const std::wstring& folder = L"") {
        exe_ = (folder.empty() ? folder_ + L"\\" : folder) + L"Tarnvik.exe";
        ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\" + build).c_str(), exe_.c_str(), FALSE));
    }
    HWND Start(const std::wstring& image) {
        return StartWithImage(program_, exe_, L"", folder_, image);
    }
    void Confirm(HWND window) { ASSERT_TRUE(ConfirmJob(program_, window)); }
    void ExpectEnded(HWND window, const std::wstring& status) {
        ASSERT_TRUE(
            WaitUntil([&] { return program_.Control(window, kBackButton).visible; }, 120000));
        EXPECT_EQ(program_.Control(window, kStatusText).text.rfind(status, 0), 0u)
            << Narrow(program_.Control(window, kStatusText).text);
    }
    void CloseProgram(HWND window) { EXPECT_TRUE(CloseAndExit(program_, window)); }

    void Plant(const std::wstring& folder, const std::vector<std::wstring>& names) {
        MakeFolders(folder);
        for (const std::wstring& name : names) {
            const std::wstring path = folder + name + L".dll";
            ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\planted.dll").c_str(), path.c_str(), FALSE));
            planted_.push_back(path);
        }
    }
    // The planted copies that some program loaded.
    std::vector<std::string> Loaded() {
        std::vector<std::string> loaded;
        for (const std::wstring& path : planted_) {
            if (FileExists(path + L".loaded")) loaded.push_back(Narrow(path));
        }
        return loaded;
    }
    // Proof that the set-up works (the test's run has Wine prefer native DLLs of these names,
    // which Wine reads from the Unix environment only): a program that searches its own folder
    // first does load the planted copy there.
    void ExpectAProbeLoads(const std::wstring& folder, const std::wstring& name) {
        const std::wstring probe = folder + L"planting_probe.exe";
        ASSERT_TRUE(
            CopyFileW((BuildFolder() + L"\\planting_probe.exe").c_str(), probe.c_str(), FALSE));
        std::wstring commandLine = L"\"" + probe + L"\" " + name + L".dll";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   folder.c_str(), &startup, &info));
        WaitForSingleObject(info.hProcess, 20000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        DeleteFileW(probe.c_str());
        const std::wstring marker = folder + name + L".dll.loaded";
        EXPECT_TRUE(FileExists(marker)) << "the probe did not load the planted " << Narrow(name);
        DeleteFileW(marker.c_str());
    }

    // Proof that 7-Zip, run from a folder as the program ran it before, loads what was planted
    // there: its plug-in folders and the DLLs the loader looks for beside it.
    void ExpectSevenZipLoadsPlanted(const std::wstring& folder) {
        const std::wstring real = BuildFolder() + L"\\real-archiver\\";
        const bool ownCopy = !FileExists(folder + L"7z.exe");
        if (ownCopy) {
            ASSERT_TRUE(CopyFileW((real + L"7z.exe").c_str(), (folder + L"7z.exe").c_str(), FALSE));
            ASSERT_TRUE(CopyFileW((real + L"7z.dll").c_str(), (folder + L"7z.dll").c_str(), FALSE));
        }
        std::wstring commandLine = L"\"" + folder + L"7z.exe\" i";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                                   CREATE_NO_WINDOW, nullptr, folder.c_str(), &startup, &info));
        WaitForSingleObject(info.hProcess, 30000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        if (ownCopy) {
            DeleteFileW((folder + L"7z.exe").c_str());
            DeleteFileW((folder + L"7z.dll").c_str());
        }
        for (const std::wstring& planted : {folder + L"Codecs\\any.dll",
                                            folder + L"Formats\\any.dll", folder + L"version.dll"}) {
            EXPECT_TRUE(FileExists(planted + L".loaded"))
                << "7-Zip did not load the planted " << Narrow(planted);
            DeleteFileW((planted + L".loaded").c_str());
        }
    }
    void PlantForSevenZip(const std::wstring& folder) {
        Plant(folder, {L"version"});
        Plant(folder + L"Codecs\\", {L"any"});
        Plant(folder + L"Formats\\", {L"any"});
    }
    void RunJobToTheEnd(HWND window) {
        Confirm(window);
        ExpectEnded(window, L"DONE");
        program_.Click(window, kBackButton);
        ASSERT_TRUE(WaitUntil([&] { return program_.Control(window, kAboutIcon).visible; }));
    }

    std::wstring folder_, exe_, drive_, tools_, temp_;
    std::vector<std::wstring> planted_;
    std::unique_ptr<SimulatedDrive> stick_;
    Program program_;
};

struct Attempt {
    const char* what;
    bool done;
    DWORD error;
};

// What another program of the user could do to a tool file in the temp folder.
std::vector<Attempt> TryToChange(const std::wstring& path) {
    std::vector<Attempt> attempts;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    attempts.push_back({"overwrite", file != INVALID_HANDLE_VALUE, GetLastError()});
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    const bool deleted = DeleteFileW(path.c_str());
    attempts.push_back({"delete", deleted, GetLastError()});
    const bool renamed = MoveFileExW(path.c_str(), (path + L".old").c_str(), 0);
    attempts.push_back({"rename", renamed, GetLastError()});
    return attempts;
}

// Ends the archiver that the program started, as if it had finished with warnings (exit code 1,
// which the job counts as success).
bool EndArchiverOf(DWORD programId) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool ended = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !ended;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID != programId || lstrcmpiW(entry.szExeFile, L"USB7z.exe"))
            continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
        if (process) {
            ended = TerminateProcess(process, 1);
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
    return ended;
}

TEST_F(PlantedCode, TheTempArchiverCannotBeChangedWhileItRuns) {
    // This build carries a stand-in for 7-Zip that keeps writing until it is ended.
    Install(L"TarnvikSlowArchiverBuild.exe");
    HWND window = Start(BuildFolder() + L"\\fixtures\\plain.iso");
    ASSERT_NE(window, nullptr);
    Confirm(window);
    ASSERT_TRUE(WaitUntil([] { return ProcessRunning(L"USB7z.exe"); }, 60000));
    ASSERT_TRUE(WaitUntil([&] { return FileExists(drive_ + L"\\slow.bin"); }));
    const std::vector<std::wstring> folders = ToolFolders();
    ASSERT_EQ(folders.size(), 1u);
    const std::wstring& tools = folders[0];
    for (const wchar_t* name : {L"USB7z.exe", L"7z.dll"}) {
        for (const Attempt& attempt : TryToChange(tools + name)) {
            SCOPED_TRACE(Narrow(name) + ": " + attempt.what);
            EXPECT_FALSE(attempt.done);
            EXPECT_EQ(attempt.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
        EXPECT_TRUE(FileExists(tools + name));
    }
    const bool folderMoved =
        MoveFileExW(tools.substr(0, tools.size() - 1).c_str(), (temp_ + L"moved-tools").c_str(), 0);
    EXPECT_FALSE(folderMoved) << "the tools' folder was renamed away while in use";
    ASSERT_TRUE(EndArchiverOf(program_.ProcessId()));
    // The stand-in wrote none of the image, which the read-back finds.
    ExpectEnded(window, L"An error occurred while Verifying ");
    CloseProgram(window);
    ExpectNoTempTools();
}

// The system DLLs our programs use that are not known DLLs on every Windows from Vista on, and
// those 7-Zip loads for some of its switches.
const std::vector<std::wstring> kProgramDlls = {L"comctl32", L"comdlg32", L"bcrypt", L"uxtheme"};
const std::vector<std::wstring> kToolDlls = {L"comctl32", L"comdlg32", L"bcrypt",
                                             L"uxtheme",  L"mapi32",   L"psapi"};

// The program's working folder is the one its tools once inherited. (Not version.dll beside the
// program itself: Wine's own user32 imports it, which Windows' does not, so there every program
// of Wine's loads it.)
TEST_F(PlantedCode, DllsBesideTheProgramOrItsToolsAreNotLoaded) {
    const std::wstring program = folder_ + L"\\program\\";
    MakeFolders(program);
    Install(L"TarnvikTestBuild.exe", program);
    Plant(program, kProgramDlls);
    Plant(folder_ + L"\\", {L"version"});
    Plant(temp_, kToolDlls);
    PlantForSevenZip(temp_);
    ExpectAProbeLoads(program, L"uxtheme");
    ExpectAProbeLoads(temp_, L"psapi");
    ExpectSevenZipLoadsPlanted(temp_);

    HWND window = Start(BuildFolder() + L"\\fixtures\\plain.iso");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Loaded(), std::vector<std::string>{}) << "after start-up and the open dialog";

    // The carried 7-Zip lists, extracts and streams the image; the stand-in disk tool is the
    // user's replacement.
    RunJobToTheEnd(window);
    EXPECT_EQ(Loaded(), std::vector<std::string>{}) << "after a job";

    // The user's own 7-Zip, with plug-ins and DLLs planted beside it.
    const std::wstring real = BuildFolder() + L"\\real-archiver\\";
    for (const wchar_t* name : {L"\\7z.exe", L"\\7z.dll"})
        ASSERT_TRUE(CopyFileW((real + name).c_str(), (tools_ + name).c_str(), FALSE));
    PlantForSevenZip(tools_ + L"\\");
    ExpectSevenZipLoadsPlanted(tools_ + L"\\");
    RunJobToTheEnd(window);
    EXPECT_EQ(Loaded(), std::vector<std::string>{}) << "after a job with the replacement 7-Zip";

    program_.Click(window, kAboutIcon);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(window); }));
    HWND about = program_.WaitForWindow(L"Tarnvik: Copy ISO to USB drive");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(program_.Control(about, kAboutTitle).text, L"About Tarnvik");
    program_.Click(about, kAboutBackButton);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    window = program_.WaitForWindow(L"Tarnvik: Copy ISO to USB drive");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Loaded(), std::vector<std::string>{}) << "after the About panel";

    program_.Click(window, kAddFilesFolderIcon);
    ASSERT_TRUE(WaitUntil([&] {
        return GetFileAttributesW((folder_ + L"\\TarnvikAddFiles").c_str()) &
               FILE_ATTRIBUTE_DIRECTORY;
    }));
    // The window handles the close after the click, once the shell has been asked.
    CloseProgram(window);
    EXPECT_EQ(Loaded(), std::vector<std::string>{}) << "after the add-files folder";
    ExpectNoTempTools();
}

// Our own disk tool, carried and run from the temp folder, next to planted DLLs. On this folder
// drive it refuses the format, after a full start.
TEST_F(PlantedCode, DllsBesideTheCarriedDiskToolAreNotLoaded) {
    Install(L"TarnvikTestBuild.exe");
    DeleteFileW((tools_ + L"\\Bootice.exe").c_str());
    Plant(temp_, kToolDlls);
    ExpectAProbeLoads(temp_, L"bcrypt");
    HWND window = Start(BuildFolder() + L"\\fixtures\\plain.iso");
    ASSERT_NE(window, nullptr);
    Confirm(window);
    ExpectEnded(window, L"An error occurred while Formating E:\\");
    CloseProgram(window);
    EXPECT_EQ(Loaded(), std::vector<std::string>{});
    ExpectNoTempTools();
}

}  // namespace

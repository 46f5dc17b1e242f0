// Code that someone else placed where our elevated programs or their tools could find it: the
// tools' copies cannot be changed while a job uses them, and DLLs planted beside the program, in
// the temp folder (where the tools ran before they had a folder of their own) or beside the
// replacement tools are never loaded.
#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/harness/job_run.h"

using namespace harness;

namespace {

// Jobs on the stick E: with the stand-in disk tool as the user's replacement, so that the temp
// folder holds only what the program carries for 7-Zip.
class PlantedCode : public StickJob {
  protected:
    void TearDown() override {
        for (const std::wstring& path : planted_) {
            DeleteFileW(path.c_str());
            DeleteFileW((path + L".loaded").c_str());
        }
        for (const wchar_t* name : {L"Codecs", L"Formats"})
            RemoveDirectoryW((TempFolder() + name).c_str());
    }
    // The program in a folder of the test's (with its backslash); it runs in folder_ either way.
    void Install(const wchar_t* build, const std::wstring& folder) {
        exe_ = folder + L"Tarnvik.exe";
        ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\" + build).c_str(), exe_.c_str(), FALSE));
    }
    void Plant(const std::wstring& folder, const std::vector<std::wstring>& names) {
        MakeFolders(folder);
        for (const std::wstring& name : names) {
            const std::wstring path = folder + name + L".dll";
            ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\planted.dll").c_str(), path.c_str(), FALSE));
            planted_.push_back(path);
        }
    }
    void PlantForSevenZip(const std::wstring& folder) {
        Plant(folder, {L"version"});
        Plant(folder + L"Codecs\\", {L"any"});
        Plant(folder + L"Formats\\", {L"any"});
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
    // which Wine reads from the Unix environment only): a program run from the folder, searching
    // its own folder first, loads the planted copies there. The probe loads the DLL named; 7-Zip
    // loads its plug-in folders and version.dll beside it.
    void ExpectLoadedBy(const std::wstring& folder, const std::wstring& program,
                        const std::wstring& argument, const std::vector<std::wstring>& planted) {
        std::wstring commandLine = L"\"" + folder + program + L"\" " + argument;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                                   CREATE_NO_WINDOW, nullptr, folder.c_str(), &startup, &info));
        WaitForSingleObject(info.hProcess, 30000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        for (const std::wstring& name : planted) {
            const std::wstring marker = folder + name + L".dll.loaded";
            EXPECT_TRUE(FileExists(marker))
                << Narrow(program + L" did not load the planted " + name);
            DeleteFileW(marker.c_str());
        }
    }
    void ExpectProbeLoads(const std::wstring& folder, const std::wstring& name) {
        const std::wstring probe = folder + L"planting_probe.exe";
        ASSERT_TRUE(
            CopyFileW((BuildFolder() + L"\\planting_probe.exe").c_str(), probe.c_str(), FALSE));
        ExpectLoadedBy(folder, L"planting_probe.exe", name + L".dll", {name});
        DeleteFileW(probe.c_str());
    }
    void ExpectSevenZipLoads(const std::wstring& folder) {
        const bool ownCopy = !FileExists(folder + L"7z.exe");
        for (const wchar_t* name : {L"7z.exe", L"7z.dll"}) {
            EXPECT_TRUE(!ownCopy || CopyFileW((BuildFolder() + L"\\real-archiver\\" + name).c_str(),
                                              (folder + name).c_str(), FALSE));
        }
        ExpectLoadedBy(folder, L"7z.exe", L"i", {L"Codecs\\any", L"Formats\\any", L"version"});
        for (const wchar_t* name : {L"7z.exe", L"7z.dll"}) {
            if (ownCopy) DeleteFileW((folder + name).c_str());
        }
    }
    void RunJobToTheEnd(HWND window) {
        EXPECT_EQ(RunToEnd(window), L"DONE");
        program_.Click(window, kBackButton);
        ASSERT_TRUE(WaitUntil([&] { return program_.Control(window, kAboutIcon).visible; }));
    }

    std::vector<std::wstring> planted_;
};

TEST_F(PlantedCode, TheTempArchiverCannotBeChangedWhileItRuns) {
    // This build carries the archiver's stand-in as its 7-Zip; told so, it keeps writing until
    // it is ended.
    Install(L"TarnvikSlowArchiverBuild.exe", folder_ + L"\\");
    ASSERT_TRUE(WriteFileBytes(tools_ + L"\\archiver.txt", "slow"));
    HWND window = Start(L"plain.iso", L"");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(ConfirmJob(program_, window));
    ASSERT_TRUE(WaitUntil([] { return ProcessRunning(L"USB7z.exe"); }, 60000));
    ASSERT_TRUE(WaitUntil([&] { return FileExists(drive_ + L"\\slow.bin"); }));
    const std::vector<std::wstring> folders = ToolFolders();
    ASSERT_EQ(folders.size(), 1u);
    const std::wstring& tools = folders[0];
    // What another program of the user could do to the files (a rename needs the same access as
    // a delete) and to their folder.
    for (const wchar_t* name : {L"USB7z.exe", L"7z.dll"}) {
        HANDLE file = CreateFileW((tools + name).c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        const DWORD writeError = GetLastError();
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        const bool deleted = DeleteFileW((tools + name).c_str());
        const DWORD deleteError = GetLastError();
        EXPECT_EQ(file, INVALID_HANDLE_VALUE) << Narrow(name) << " opened for writing";
        EXPECT_EQ(writeError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_FALSE(deleted) << Narrow(name) << " deleted";
        EXPECT_EQ(deleteError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_FALSE(MoveFileExW(tools.substr(0, tools.size() - 1).c_str(),
                             (TempFolder() + L"moved-tools").c_str(), 0))
        << "the tools' folder was renamed away while in use";
    // Ended as if it had finished with warnings (exit code 1, which the job counts as success).
    HANDLE archiver = OpenProcess(PROCESS_TERMINATE, FALSE, ProcessIdOf(L"USB7z.exe"));
    ASSERT_TRUE(archiver && TerminateProcess(archiver, 1));
    CloseHandle(archiver);
    // The stand-in wrote none of the image, which the read-back finds.
    ASSERT_TRUE(WaitUntil([&] { return program_.Control(window, kBackButton).visible; }, 120000));
    EXPECT_EQ(
        program_.Control(window, kStatusText).text.rfind(L"An error occurred while Verifying ", 0),
        0u);
    Close(window);
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
    Plant(TempFolder(), kToolDlls);
    PlantForSevenZip(TempFolder());
    ExpectProbeLoads(program, L"uxtheme");
    ExpectProbeLoads(TempFolder(), L"psapi");
    ExpectSevenZipLoads(TempFolder());

    HWND window = Start(L"plain.iso", L"");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Loaded(), std::vector<std::string>{}) << "after start-up and the open dialog";

    // The carried 7-Zip lists, extracts and streams the image.
    RunJobToTheEnd(window);
    EXPECT_EQ(Loaded(), std::vector<std::string>{}) << "after a job";

    // The user's own 7-Zip, with plug-ins and DLLs planted beside it.
    for (const wchar_t* name : {L"\\7z.exe", L"\\7z.dll"})
        ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\real-archiver" + name).c_str(),
                              (tools_ + name).c_str(), FALSE));
    PlantForSevenZip(tools_ + L"\\");
    ExpectSevenZipLoads(tools_ + L"\\");
    RunJobToTheEnd(window);
    EXPECT_EQ(Loaded(), std::vector<std::string>{}) << "after a job with the replacement 7-Zip";

    program_.Click(window, kAboutIcon);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(window); }));
    HWND about = program_.WaitForWindow(kWindowTitle);
    ASSERT_NE(about, nullptr);
    program_.Click(about, kAboutBackButton);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    window = program_.WaitForWindow(kWindowTitle);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Loaded(), std::vector<std::string>{}) << "after the About panel";

    program_.Click(window, kAddFilesFolderIcon);
    ASSERT_TRUE(WaitUntil([&] {
        return GetFileAttributesW((folder_ + L"\\TarnvikAddFiles").c_str()) &
               FILE_ATTRIBUTE_DIRECTORY;
    }));
    // The window handles the close after the click, once the shell has been asked.
    Close(window);
    EXPECT_EQ(Loaded(), std::vector<std::string>{}) << "after the add-files folder";
    ExpectNoTempTools();
}

// Our own disk tool, carried and run from the temp folder, next to planted DLLs. On this folder
// drive it refuses the format, after a full start.
TEST_F(PlantedCode, DllsBesideTheCarriedDiskToolAreNotLoaded) {
    DeleteFileW((tools_ + L"\\Bootice.exe").c_str());
    Plant(TempFolder(), kToolDlls);
    ExpectProbeLoads(TempFolder(), L"bcrypt");
    HWND window = Start(L"plain.iso", L"");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(RunToEnd(window), L"An error occurred while Formating E:\\");
    Close(window);
    EXPECT_EQ(Loaded(), std::vector<std::string>{});
    ExpectNoTempTools();
}

}  // namespace

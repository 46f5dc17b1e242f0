#include "tests/harness/job_run.h"

#include <algorithm>
#include <regex>

#include "res/control_ids.h"

namespace harness {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH];
    return std::wstring(temp, GetTempPathW(MAX_PATH, temp));
}

HWND StartWithImage(Program& program, const std::wstring& exe, const std::wstring& arguments,
                    const std::wstring& folder, const std::wstring& image) {
    HWND window = StartAndShow(program, exe, arguments, folder, L"window.png", L"E");
    if (!window) return nullptr;
    program.Click(window, kIsoButton);
    const DialogState dialog = program.WaitForDialog(L"Choose an ISO image ...");
    if (!dialog.handle || !program.OpenFile(dialog, image)) return nullptr;
    return window;
}

bool ConfirmJob(Program& program, HWND window) {
    program.Click(window, kCopyButton);
    const DialogState warning = program.WaitForDialog(L"Tarnvik");
    EXPECT_EQ(warning.text.rfind(L"WARNING: The current USB device E:\\", 0), 0u)
        << Narrow(warning.text);
    return warning.text.rfind(L"WARNING: ", 0) == 0 && program.Answer(warning, IDYES);
}

std::wstring RunJobToEnd(Program& program, HWND window, const std::wstring& folder, int timeoutMs) {
    if (!ConfirmJob(program, window)) return L"<not confirmed>";
    if (!WaitUntil([&] { return program.Control(window, kBackButton).visible; }, timeoutMs))
        return L"<no end>";
    SaveWindowPicture(window, folder + L"\\ended.png");
    return program.Control(window, kStatusText).text;
}

bool CloseAndExit(Program& program, HWND window) {
    program.Close(window);
    DWORD code = 1;
    return program.WaitForExit(code) && code == 0;
}

std::vector<std::string> JobLogLines(const std::wstring& logPath) {
    std::vector<std::string> lines = ReadLines(logPath);
    auto start = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("Copy ISO To USB Drive  - ", 0) == 0;
    });
    // The header's nine lines, and the run's empty line and "Exit" at the end.
    if (lines.end() - start < 11) return {};
    return std::vector<std::string>(start + 9, lines.end() - 2);
}

void ExpectLinesMatch(const std::vector<std::string>& lines,
                      const std::vector<std::string>& patterns) {
    ASSERT_EQ(lines.size(), patterns.size()) << testing::PrintToString(lines);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(patterns[i])))
            << lines[i] << "\n  !~ " << patterns[i];
    }
}

std::vector<std::wstring> ToolFolders() {
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((TempFolder() + L"Tarnvik-tools-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return folders;
    do {
        folders.push_back(TempFolder() + found.cFileName + L"\\");
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return folders;
}

void ExpectNoTempTools() {
    for (const wchar_t* name : {L"Bootice.exe", L"USB7z.exe", L"7z.dll"}) {
        EXPECT_FALSE(FileExists(TempFolder() + name)) << Narrow(name) << " left in the temp folder";
    }
    for (const std::wstring& folder : ToolFolders()) ADD_FAILURE() << Narrow(folder) << " left";
}

std::string Escaped(const std::string& text) {
    return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

std::vector<std::string> AfterFormat(std::vector<std::string> rest) {
    rest.insert(rest.begin(), kFormatStage.begin(), kFormatStage.end());
    return rest;
}

std::vector<std::string> Extracted(const std::string& isoPattern, const std::string& sizePattern) {
    return {"Copy " + isoPattern + " files \\(" + sizePattern + "\\)  to USB drive E:\\\\",
            "Successfully Copied " + isoPattern + R"( to USB drive E:\\ \(.+\)  - )" + kLogStamp};
}

std::vector<std::string> ExtractedAndVerified(const std::string& isoPattern,
                                              const std::string& sizePattern,
                                              const std::vector<std::string>& rest) {
    std::vector<std::string> lines = Extracted(isoPattern, sizePattern);
    lines.insert(lines.end(), kVerified.begin(), kVerified.end());
    lines.insert(lines.end(), rest.begin(), rest.end());
    return lines;
}

void StickJob::SetUp() {
    folder_ = FreshTestFolder();
    exe_ = InstallTestBuild(folder_);
    UseStick(folder_ + L"\\stick");
    tools_ = folder_ + L"\\Tarnvik";
    MakeFolders(tools_);
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\fake_bootice.exe").c_str(),
                          (tools_ + L"\\Bootice.exe").c_str(), FALSE));
}

void StickJob::UseStick(const std::wstring& folder) {
    stick_.reset();
    drive_ = folder;
    stick_ = std::make_unique<SimulatedDrive>(L'E', DRIVE_REMOVABLE, drive_, L"MyStick");
    ASSERT_TRUE(stick_->Mapped());
    ASSERT_TRUE(WriteFileBytes(drive_ + L"\\old-file.txt", "on the stick before the format"));
}

void StickJob::UseArchiverStandIn(const char* mode) {
    ASSERT_TRUE(CopyFileW((BuildFolder() + L"\\archiver_standin.exe").c_str(),
                          (tools_ + L"\\7z.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(tools_ + L"\\7z.dll", "stand-in library"));
    ASSERT_TRUE(WriteFileBytes(tools_ + L"\\archiver.txt", mode));
}

HWND StickJob::Start(const std::wstring& image, const std::wstring& arguments) {
    const std::wstring path =
        image.find(L'\\') == std::wstring::npos ? BuildFolder() + L"\\fixtures\\" + image : image;
    return StartWithImage(program_, exe_, arguments, folder_, path);
}

std::wstring StickJob::RunToEnd(HWND window, int timeoutMs) {
    return RunJobToEnd(program_, window, folder_, timeoutMs);
}

void StickJob::QuitDuring(HWND window, const std::wstring& step, bool archiverRuns) {
    ASSERT_TRUE(ConfirmJob(program_, window));
    ASSERT_TRUE(WaitUntil(
        [&] { return program_.Control(window, kStatusText).text.rfind(step, 0) == 0; }, 60000));
    if (archiverRuns) {
        ASSERT_TRUE(WaitUntil([] { return ProcessRunning(L"USB7z.exe"); }));
    }
    SaveWindowPicture(window, folder_ + L"\\quitting.png");
    for (int answer : {IDNO, IDYES}) {
        program_.Close(window);
        const DialogState question = program_.WaitForDialog(L"Tarnvik");
        EXPECT_EQ(question.text,
                  L"Copy ISO To Usb  is in progress, are you sure you want to cancel and quit ?");
        ASSERT_TRUE(program_.Answer(question, answer));
    }
    DWORD code = 1;
    ASSERT_TRUE(program_.WaitForExit(code, 60000));
    EXPECT_EQ(code, 0u);
}

std::map<std::wstring, std::string> StickJob::DriveTree() const {
    auto tree = ReadTree(drive_);
    tree.erase(L".windows-label");
    return tree;
}

}  // namespace harness

#include "tests/harness/harness.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include "demo/window_picture.h"
#include "res/control_ids.h"
#include "tests/support/wine_mount_manager.h"
#include "text/utf8_text.h"

namespace harness {

namespace {

// A visible top-level window of a process, by title (any when empty) and class (any when null).
HWND WaitForTopWindow(DWORD processId, const std::wstring& title, const wchar_t* className,
                      int timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window = nullptr;
                 (window = FindWindowExW(nullptr, window, className,
                                         title.empty() ? nullptr : title.c_str()));) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == processId && IsWindowVisible(window)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

BOOL CALLBACK MatchControl(HWND control, LPARAM context) {
    auto* search = reinterpret_cast<std::pair<int, HWND>*>(context);
    if (GetDlgCtrlID(control) != search->first) return TRUE;
    search->second = control;
    return FALSE;
}

HWND FindControl(HWND window, int id) {
    std::pair<int, HWND> search{id, nullptr};
    EnumChildWindows(window, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

std::wstring TextOf(HWND control) {
    wchar_t text[4096] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &length);
    return std::wstring(text, length);
}

void SetText(HWND control, const std::wstring& text) {
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
}

std::string UnixPathOf(const std::wstring& windowsPath) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(windowsPath.c_str()) : nullptr;
    if (!name) return {};
    const std::string path(name);
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

}  // namespace

std::wstring BuildFolder() {
    wchar_t path[MAX_PATH];
    const std::wstring program(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return program.substr(0, program.find_last_of(L'\\'));
}

std::wstring FreshTestFolder() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::wstring folder = BuildFolder() + L"\\test-runs\\";
    for (char c : name) folder += c == '/' ? L'_' : static_cast<wchar_t>(c);
    EmptyFolder(folder);
    MakeFolders(folder);
    return folder;
}

std::wstring InstallProgram(const std::wstring& folder, const std::wstring& name) {
    const std::wstring target = folder + L"\\" + name;
    CopyFileW((BuildFolder() + L"\\Tarnvik.exe").c_str(), target.c_str(), FALSE);
    return target;
}

std::wstring InstallTestBuild(const std::wstring& folder) {
    const std::wstring target = folder + L"\\Tarnvik.exe";
    CopyFileW((BuildFolder() + L"\\TarnvikTestBuild.exe").c_str(), target.c_str(), FALSE);
    return target;
}

bool MakeFolders(const std::wstring& path) {
    for (size_t pos = path.find(L'\\', 3); pos != std::wstring::npos;
         pos = path.find(L'\\', pos + 1)) {
        CreateDirectoryW(path.substr(0, pos).c_str(), nullptr);
    }
    CreateDirectoryW(path.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::map<std::wstring, std::string> ReadTree(const std::wstring& folder) {
    std::map<std::wstring, std::string> tree;
    std::vector<std::wstring> pending = {L""};
    while (!pending.empty()) {
        const std::wstring relative = pending.back();
        pending.pop_back();
        WIN32_FIND_DATAW entry;
        HANDLE find = FindFirstFileW((folder + L"\\" + relative + L"*").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                tree[relative + name] = "<folder>";
                pending.push_back(relative + name + L"\\");
            } else {
                ReadFileBytes(folder + L"\\" + relative + name, tree[relative + name]);
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    return tree;
}

std::vector<std::string> ReadLines(const std::wstring& path) {
    std::string bytes;
    std::vector<std::string> lines;
    if (!ReadFileBytes(path, bytes)) return lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(bytes.substr(start, end - start));
    }
    if (start < bytes.size()) lines.push_back(bytes.substr(start));
    return lines;
}

DWORD ProcessIdOf(const std::wstring& exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, exeName.c_str()) == 0) found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
}

bool SaveWindowPicture(HWND window, const std::wstring& pngPath) {
    // Painting is sent to the window's thread and finished before the picture is taken.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return SaveWindowPng(window, pngPath);
}

SimulatedDrive::SimulatedDrive(wchar_t letter, UINT driveType, const std::wstring& folder,
                               const std::wstring& label)
    : letter_(static_cast<wchar_t>(towupper(letter))) {
    MakeFolders(folder);
    WriteFileBytes(folder + L"\\.windows-label", Utf8FromWide(label));
    DefineWineDrive(letter_, 0, {});
    const std::string unixFolder = UnixPathOf(folder);
    mapped_ = !unixFolder.empty() && DefineWineDrive(letter_, driveType, unixFolder);
}

SimulatedDrive::~SimulatedDrive() {
    if (mapped_) DefineWineDrive(letter_, 0, {});
}

void RemoveSimulatedDrives() {
    const DWORD present = GetLogicalDrives();
    for (wchar_t letter = L'D'; letter <= L'Y'; ++letter) {
        if (present & (1u << (letter - L'A'))) DefineWineDrive(letter, 0, {});
    }
}

Program::~Program() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool Program::Start(const std::wstring& exePath, const std::wstring& arguments,
                    const std::wstring& workingFolder, const std::wstring& usbLetters) {
    // The child inherits the variable; only the program's test build reads it, and reads the
    // file it names at every query, so a test can change the answer while the program runs.
    usbLettersFile_ = workingFolder + L"\\usb-letters.txt";
    SetUsbLetters(usbLetters);
    SetEnvironmentVariableW(L"TARNVIK_TEST_USB_LETTERS_FILE", usbLettersFile_.c_str());
    // The stand-ins of the archiver hand the runs they do not play to the real one.
    SetEnvironmentVariableW(L"TARNVIK_TEST_REAL_ARCHIVER",
                            (BuildFolder() + L"\\real-archiver\\7z.exe").c_str());
    // The stand-ins keep their journal and read their orders in the replacement folder, not in
    // the folder of our own that Tarnvik copies them into.
    SetEnvironmentVariableW(L"TARNVIK_TEST_STANDIN_FOLDER",
                            (workingFolder + L"\\Tarnvik\\").c_str());
    std::wstring commandLine = L"\"" + exePath + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.c_str(), &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    return true;
}

HWND Program::WaitForWindow(const std::wstring& title, int timeoutMs) {
    return WaitForTopWindow(processId_, title, nullptr, timeoutMs);
}

void Program::Click(HWND window, int id) const {
    HWND control = FindControl(window, id);
    wchar_t cls[64] = {};
    GetClassNameW(control, cls, 64);
    if (std::wstring(cls) == L"Static") {
        // An image answers a click of the mouse.
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    } else {
        // Posted, so that a message box the click opens does not hold up the test.
        PostMessageW(control, BM_CLICK, 0, 0);
    }
}

void Program::SetUsbLetters(const std::wstring& letters) {
    WriteFileBytes(usbLettersFile_, std::string(letters.begin(), letters.end()));
}

void Program::Type(HWND window, int id, const std::wstring& text) const {
    SetText(FindControl(window, id), text);
}

DialogState Program::WaitForDialog(const std::wstring& title, int timeoutMs) const {
    DialogState dialog;
    dialog.handle = WaitForTopWindow(processId_, title, L"#32770", timeoutMs);
    if (!dialog.handle) return dialog;
    dialog.title = TextOf(dialog.handle);
    if (HWND message = GetDlgItem(dialog.handle, 0xFFFF)) dialog.text = TextOf(message);
    return dialog;
}

bool Program::Answer(const DialogState& dialog, int buttonId) const {
    HWND button = GetDlgItem(dialog.handle, buttonId);
    if (!button) return false;
    PostMessageW(button, BM_CLICK, 0, 0);
    return WaitUntil([&] { return !IsWindow(dialog.handle) || !IsWindowVisible(dialog.handle); });
}

bool Program::OpenFile(const DialogState& dialog, const std::wstring& name) const {
    // The file name field: cmb13 in the Explorer-style dialog, edt1 in the older one.
    HWND field = GetDlgItem(dialog.handle, 0x47C);
    if (!field) field = GetDlgItem(dialog.handle, 0x480);
    if (!field) return false;
    SetText(field, name);
    return Answer(dialog, IDOK);
}

void Program::ChooseRow(HWND window, int id, int row) const {
    HWND control = FindControl(window, id);
    SendMessageW(control, CB_SETCURSEL, row, 0);
    // A user's choice is announced to the window; CB_SETCURSEL alone is not.
    PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control));
}

ControlState Program::Control(HWND window, int id) const {
    ControlState state;
    HWND control = FindControl(window, id);
    if (!control) return state;
    state.exists = true;
    state.handle = control;
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    const std::wstring className = name;
    state.text = TextOf(control);
    state.visible = IsWindowVisible(control) != FALSE;
    state.enabled = IsWindowEnabled(control) != FALSE;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (className == L"Button") {
        state.checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        state.defaultButton = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    } else if (className == L"ComboBox") {
        const LRESULT count = SendMessageW(control, CB_GETCOUNT, 0, 0);
        for (int row = 0; row < count; ++row) {
            std::wstring text(
                static_cast<size_t>(SendMessageW(control, CB_GETLBTEXTLEN, row, 0)) + 1, L'\0');
            text.resize(static_cast<size_t>(
                SendMessageW(control, CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(text.data()))));
            state.rows.push_back(text);
        }
        state.selection = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
    } else if (className == L"msctls_progress32") {
        state.position = static_cast<int>(SendMessageW(control, PBM_GETPOS, 0, 0));
    }
    return state;
}

void Program::Close(HWND window) const {
    PostMessageW(window, WM_CLOSE, 0, 0);
}

bool Program::WaitForExit(DWORD& exitCode, int timeoutMs) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(process_, &exitCode) != FALSE;
}

HWND StartAndShow(Program& program, const std::wstring& exePath, const std::wstring& arguments,
                  const std::wstring& folder, const std::wstring& screenshotName,
                  const std::wstring& usbLetters) {
    if (!program.Start(exePath, arguments, folder, usbLetters)) {
        ADD_FAILURE() << "the program could not be started";
        return nullptr;
    }
    HWND window = program.WaitForWindow(kWindowTitle);
    if (!window) {
        ADD_FAILURE() << "MainWindow did not appear";
        return nullptr;
    }
    SaveWindowPicture(window, folder + L"\\" + screenshotName);
    return window;
}

}  // namespace harness

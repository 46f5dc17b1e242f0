#include "tests/harness/harness.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <winioctl.h>
#include <tlhelp32.h>

#include <vector>

#include "tests/harness/png_writer.h"
#include "tests/support/wine_mount_manager.h"

namespace harness {

namespace {

std::wstring Widen(const char* text) {
    std::wstring out;
    for (; *text; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return out;
}

bool RemoveTree(const std::wstring& path) {
    EmptyFolder(path);
    return RemoveDirectoryW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// A visible top-level window of a process, by title (any when empty) and class (any when null).
struct WindowSearch {
    DWORD processId;
    const std::wstring* title;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t text[256] = {};
    GetClassNameW(window, text, 256);
    if (search->className && std::wstring(text) != search->className) return TRUE;
    GetWindowTextW(window, text, 256);
    if (!search->title->empty() && *search->title != text) return TRUE;
    search->found = window;
    return FALSE;
}

HWND WaitForTopWindow(DWORD processId, const std::wstring& title, const wchar_t* className,
                      int timeoutMs) {
    WindowSearch search{processId, &title, className, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

}  // namespace

void EmptyFolder(const std::wstring& folder, const std::wstring& keep) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L".." || (!keep.empty() && name == keep)) continue;
        const std::wstring child = folder + L"\\" + name;
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(child);
        } else {
            DeleteFileW(child.c_str());
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

std::wstring BuildFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring FreshTestFolder() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::wstring name = Widen(info->test_suite_name()) + L"." + Widen(info->name());
    for (wchar_t& c : name) {
        if (c == L'/' || c == L'\\') c = L'_';
    }
    const std::wstring folder = BuildFolder() + L"\\test-runs\\" + name;
    RemoveTree(folder);
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

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        bytes.empty() ||
        (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size());
    CloseHandle(file);
    return ok;
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return true;
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

bool ProcessRunning(const std::wstring& exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry)) {
        found = _wcsicmp(entry.szExeFile, exeName.c_str()) == 0;
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

bool SaveScreenshot(const std::wstring& pngPath) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP image = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (memory && image) {
        HGDIOBJ previous = SelectObject(memory, image);
        ok = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, previous);
    }
    if (ok) {
        std::vector<uint8_t> rgb(size_t(width) * height * 3);
        const auto* bgra = static_cast<const uint8_t*>(bits);
        for (size_t i = 0; i < size_t(width) * height; ++i) {
            rgb[i * 3] = bgra[i * 4 + 2];
            rgb[i * 3 + 1] = bgra[i * 4 + 1];
            rgb[i * 3 + 2] = bgra[i * 4];
        }
        ok = WriteFileBytes(pngPath, EncodePng(width, height, rgb));
    }
    if (image) DeleteObject(image);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

namespace {


std::string UnixPathOf(const std::wstring& windowsPath) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName) {
        if (char* name = unixName(windowsPath.c_str())) {
            std::string path(name);
            HeapFree(GetProcessHeap(), 0, name);
            return path;
        }
    }
    return {};
}

// Maps the letter to the Unix folder, or removes its mapping when unixFolder is empty.
bool DefineUnixDrive(wchar_t letter, UINT driveType, const std::string& unixFolder) {
    HANDLE manager =
        CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) return false;
    std::string request(
        sizeof(WineUnixDrive) + (unixFolder.empty() ? 0 : unixFolder.size() + 1), '\0');
    auto* drive = reinterpret_cast<WineUnixDrive*>(request.data());
    drive->size = static_cast<ULONG>(request.size());
    drive->type = driveType;
    drive->letter = static_cast<WCHAR>(towlower(letter));
    if (!unixFolder.empty()) {
        drive->mountPointOffset = sizeof(WineUnixDrive);
        request.replace(sizeof(WineUnixDrive), unixFolder.size(), unixFolder);
    }
    DWORD returned = 0;
    const BOOL ok =
        DeviceIoControl(manager, kWineDefineUnixDrive, request.data(),
                        static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
    CloseHandle(manager);
    return ok != FALSE;
}

}  // namespace

SimulatedDrive::SimulatedDrive(wchar_t letter, UINT driveType, const std::wstring& folder,
                               const std::wstring& label)
    : letter_(static_cast<wchar_t>(towupper(letter))) {
    MakeFolders(folder);
    std::string labelBytes;
    for (wchar_t c : label) {
        // .windows-label holds UTF-8; the labels used in tests are plain ASCII or Latin-1.
        if (c < 0x80) {
            labelBytes += static_cast<char>(c);
        } else {
            labelBytes += static_cast<char>(0xC0 | (c >> 6));
            labelBytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    WriteFileBytes(folder + L"\\.windows-label", labelBytes);
    DefineUnixDrive(letter_, 0, {});
    const std::string unixFolder = UnixPathOf(folder);
    mapped_ = !unixFolder.empty() && DefineUnixDrive(letter_, driveType, unixFolder);
}

SimulatedDrive::~SimulatedDrive() {
    if (mapped_) DefineUnixDrive(letter_, 0, {});
}

void RemoveSimulatedDrives() {
    const DWORD present = GetLogicalDrives();
    for (wchar_t letter = L'D'; letter <= L'Y'; ++letter) {
        if (present & (1u << (letter - L'A'))) DefineUnixDrive(letter, 0, {});
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
    // The stand-in disk tool keeps its journal and reads its orders in the replacement folder,
    // not in the folder of our own that Tarnvik copies it into.
    SetEnvironmentVariableW(L"TARNVIK_TEST_STANDIN_FOLDER", (workingFolder + L"\\Tarnvik\\").c_str());
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

namespace {

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND control, LPARAM context) {
    auto* search = reinterpret_cast<ControlSearch*>(context);
    if (GetDlgCtrlID(control) != search->id) return TRUE;
    search->found = control;
    return FALSE;
}

HWND FindControl(HWND window, int id) {
    ControlSearch search{id, nullptr};
    EnumChildWindows(window, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring ListRow(HWND combo, int row) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, row, 0);
    if (length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

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
    SendMessageTimeoutW(FindControl(window, id), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, nullptr);
}

namespace {

std::wstring TextOf(HWND control) {
    wchar_t text[4096] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &length);
    return std::wstring(text, length);
}

}  // namespace

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
    SendMessageTimeoutW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
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
    wchar_t cls[64] = {};
    GetClassNameW(control, cls, 64);
    state.className = cls;
    GetWindowRect(control, &state.rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&state.rect), 2);
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &length);
    state.text.assign(text, length);
    state.visible = IsWindowVisible(control) != FALSE;
    state.enabled = IsWindowEnabled(control) != FALSE;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (state.className == L"Button") {
        state.checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        state.defaultButton = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    } else if (state.className == L"ComboBox") {
        const LRESULT count = SendMessageW(control, CB_GETCOUNT, 0, 0);
        for (int row = 0; row < count; ++row) state.rows.push_back(ListRow(control, row));
        state.selection = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
    } else if (state.className == L"msctls_progress32") {
        state.position = static_cast<int>(SendMessageW(control, PBM_GETPOS, 0, 0));
    }
    return state;
}

RECT Program::ClientRect(HWND window) const {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

RECT Program::ScreenRect(HWND window) const {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

void Program::Close(HWND window) const {
    PostMessageW(window, WM_CLOSE, 0, 0);
}

bool Program::WaitForExit(DWORD& exitCode, int timeoutMs) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(process_, &exitCode) != FALSE;
}

bool Program::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

HWND StartAndShow(Program& program, const std::wstring& exePath, const std::wstring& arguments,
                  const std::wstring& folder, const std::wstring& screenshotName,
                  const std::wstring& usbLetters) {
    if (!program.Start(exePath, arguments, folder, usbLetters)) {
        ADD_FAILURE() << "the program could not be started";
        return nullptr;
    }
    HWND window = program.WaitForWindow(L"Tarnvik: Copy ISO to USB drive");
    if (!window) {
        ADD_FAILURE() << "MainWindow did not appear";
        return nullptr;
    }
    SaveWindowPicture(window, folder + L"\\" + screenshotName);
    return window;
}

bool SaveWindowPicture(HWND window, const std::wstring& pngPath) {
    // Painting is sent to the window's thread and finished before the picture is taken.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return SaveScreenshot(pngPath);
}

}  // namespace harness

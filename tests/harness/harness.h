#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Drives the real Tarnvik.exe from outside, the way a user would, and looks at what it shows.
namespace harness {

// The folder the test program runs from (the Windows build tree).
std::wstring BuildFolder();
// A new, empty working folder for the running test: <build>\test-runs\<Suite>.<Test>.
std::wstring FreshTestFolder();
// Copies the program under test into a folder, under the given file name; returns its path.
std::wstring InstallProgram(const std::wstring& folder, const std::wstring& name = L"Tarnvik.exe");

bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
bool MakeFolders(const std::wstring& path);
bool FileExists(const std::wstring& path);

// Polls the condition until it holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// Saves the whole screen as a PNG file.
bool SaveScreenshot(const std::wstring& pngPath);
// Lets the window finish painting, then saves the whole screen.
bool SaveWindowPicture(HWND window, const std::wstring& pngPath);

struct ControlState {
    bool exists = false;
    RECT rect{};  // relative to the parent window's client area
    std::wstring text;
    bool visible = false;
    bool enabled = false;
};

// One run of the program under test. The destructor ends a run that is still going.
class Program {
public:
    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();

    // Starts the program with a command-line tail in the given working folder.
    bool Start(const std::wstring& exePath, const std::wstring& arguments,
               const std::wstring& workingFolder);
    // Waits until the program shows a top-level window with this title; null on time-out.
    HWND WaitForWindow(const std::wstring& title, int timeoutMs = 20000);
    ControlState Control(HWND window, int id) const;
    RECT ClientRect(HWND window) const;
    RECT ScreenRect(HWND window) const;
    // Asks the window to close, as its close box does.
    void Close(HWND window) const;
    // Waits for the process to end; true with its exit code when it did.
    bool WaitForExit(DWORD& exitCode, int timeoutMs = 20000);
    bool Running() const;
    DWORD ProcessId() const { return processId_; }

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

// The common path of a window test: start, wait for MainWindow, save a screenshot in the
// test's folder under the given name.
HWND StartAndShow(Program& program, const std::wstring& exePath, const std::wstring& arguments,
                  const std::wstring& folder, const std::wstring& screenshotName = L"window.png");

}  // namespace harness

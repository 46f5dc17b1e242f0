#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/small_files.h"

// Drives the real Tarnvik.exe from outside, the way a user would, and looks at what it shows.
namespace harness {

using support::EmptyFolder;
using support::ReadFileBytes;
using support::WriteFileBytes;

// The folder the test program runs from (the Windows build tree).
std::wstring BuildFolder();
// A new, empty working folder for the running test: <build>\test-runs\<Suite>.<Test>.
std::wstring FreshTestFolder();
// Copies the shipped program into a folder, under the given file name; returns its path.
std::wstring InstallProgram(const std::wstring& folder, const std::wstring& name = L"Tarnvik.exe");
// Copies the program's test build (USB answered for simulated drives) as Tarnvik.exe.
std::wstring InstallTestBuild(const std::wstring& folder);

bool MakeFolders(const std::wstring& path);
bool FileExists(const std::wstring& path);

// Every folder (as "<folder>") and file (its bytes) under a folder, by path relative to it.
std::map<std::wstring, std::string> ReadTree(const std::wstring& folder);
// The lines of a text file (CR LF ends), without the ends.
std::vector<std::string> ReadLines(const std::wstring& path);
// The id of a process of that file name (such as "7z.exe") running on the prefix, or 0.
DWORD ProcessIdOf(const std::wstring& exeName);
inline bool ProcessRunning(const std::wstring& exeName) {
    return ProcessIdOf(exeName) != 0;
}

// Polls the condition until it holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// Lets the window finish painting, then saves what the screen shows of it as a PNG file.
bool SaveWindowPicture(HWND window, const std::wstring& pngPath);

// A drive letter of this Wine prefix mapped to a folder, with a drive type and a volume label,
// for as long as the object lives. The mapping is shared by every program on the prefix.
class SimulatedDrive {
  public:
    // driveType: DRIVE_REMOVABLE, DRIVE_FIXED or DRIVE_CDROM.
    SimulatedDrive(wchar_t letter, UINT driveType, const std::wstring& folder,
                   const std::wstring& label);
    ~SimulatedDrive();
    SimulatedDrive(const SimulatedDrive&) = delete;
    SimulatedDrive& operator=(const SimulatedDrive&) = delete;
    bool Mapped() const { return mapped_; }

  private:
    wchar_t letter_;
    bool mapped_ = false;
};
// Removes the simulated drives a failed earlier run may have left (letters D to Y).
void RemoveSimulatedDrives();

struct ControlState {
    bool exists = false;
    std::wstring text;
    bool visible = false;
    bool enabled = false;
    bool checked = false;            // option buttons and check boxes
    bool defaultButton = false;      // a push button drawn as the window's default
    std::vector<std::wstring> rows;  // drop-down lists
    int selection = -1;              // drop-down lists
    int position = 0;                // progress bars
    HWND handle = nullptr;
};

// A message box (or another dialog) the program shows.
struct DialogState {
    HWND handle = nullptr;
    std::wstring title;
    std::wstring text;  // a message box's message
};

// One run of the program under test. The destructor ends a run that is still going.
class Program {
  public:
    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();

    // Starts the program with a command-line tail in the given working folder; the test build
    // reports the given drive letters on USB.
    bool Start(const std::wstring& exePath, const std::wstring& arguments,
               const std::wstring& workingFolder, const std::wstring& usbLetters = L"");
    // Waits until the program shows a top-level window with this title; null on time-out.
    HWND WaitForWindow(const std::wstring& title, int timeoutMs = 20000);
    // A control of the window, also one inside a container, by its id.
    ControlState Control(HWND window, int id) const;
    // As a user does: press a button or click an image, choose a row of a drop-down list, type
    // into a text field.
    void Click(HWND window, int id) const;
    void ChooseRow(HWND window, int id, int row) const;
    void Type(HWND window, int id, const std::wstring& text) const;
    // Waits for a dialog of the program (class #32770), with the given title when one is named.
    DialogState WaitForDialog(const std::wstring& title = L"", int timeoutMs = 10000) const;
    // Presses a dialog's button (IDOK, IDYES, IDNO, IDCANCEL) and waits until it has closed.
    bool Answer(const DialogState& dialog, int buttonId) const;
    // In the open-file dialog: types a file name and presses Open.
    bool OpenFile(const DialogState& dialog, const std::wstring& name) const;
    // Changes which drive letters the test build reports on USB from now on.
    void SetUsbLetters(const std::wstring& letters);
    // Asks the window to close, as its close box does.
    void Close(HWND window) const;
    // Waits for the process to end; true with its exit code when it did.
    bool WaitForExit(DWORD& exitCode, int timeoutMs = 20000);

  private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    std::wstring usbLettersFile_;
};

// The common path of a window test: start, wait for MainWindow, save a screenshot in the
// test's folder under the given name.
HWND StartAndShow(Program& program, const std::wstring& exePath, const std::wstring& arguments,
                  const std::wstring& folder, const std::wstring& screenshotName = L"window.png",
                  const std::wstring& usbLetters = L"");

}  // namespace harness

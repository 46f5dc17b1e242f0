#include <windows.h>
#include <commctrl.h>

#include <climits>

#include "app/about_panel_win32.h"
#include "app/app_state_win32.h"
#include "app/command_line.h"
#include "app/dispatcher_win32.h"
#include "app/drive_list_win32.h"
#include "app/event_window_win32.h"
#include "app/font_scale.h"
#include "app/main_window_win32.h"
#include "app/run_log.h"
#include "app/run_log_win32.h"
#include "res/control_ids.h"
#include "tools/folders.h"
#include "tools/path_size.h"
#include "tools/tool_folder_win32.h"
#include "tools/system_library_win32.h"
#include "tools/unique_handle_win32.h"

namespace {

int ScreenVerticalDpi() {
    const UniqueScreenDc screen(GetDC(nullptr));
    return screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}

GdiObject<HFONT> CreateLucidaConsole(int points, int weight, int verticalDpi) {
    return GdiObject<HFONT>(CreateFontW(FontPixelHeight(points, verticalDpi), 0, 0, 0, weight,
                                        FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                        FIXED_PITCH | FF_MODERN, L"Lucida Console"));
}

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void ReadCommandLine(AppState& app) {
    const std::vector<std::wstring> parts = SplitCommandLine(GetCommandLineW());
    if (parts.size() != 2) return;
    const std::wstring& argument = parts[1];
    switch (ClassifyArgument(argument, PathSize(argument))) {
        case ArgumentKind::Debug:
            app.debugMode = true;
            break;
        case ArgumentKind::IsoImage:
            app.isoPath = argument;
            break;
        case ArgumentKind::Ignored:
            break;
    }
}

// Without its fonts, lock, semaphore or windows the program could show a window whose job never
// reports its end: it says so once and stops instead.
[[noreturn]] void FailStartUp() {
    MessageBoxW(nullptr,
                L"Tarnvik could not start: Windows did not grant the resources its window needs."
                L"\r\nClose some programs and start Tarnvik again.",
                L"Tarnvik", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    CloseProcessLog();
    ExitProcess(1);
}

void RunMainLoop(AppState& app) {
    MSG message;
    while (!app.quitRequested) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        // Tab, arrow keys and Enter move and press as in a dialog.
        HWND shown = app.mainWindow ? app.mainWindow : app.aboutWindow;
        if (shown && IsDialogMessageW(shown, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    LoadLibrariesFromSystemFolderOnly();
    AppState& app = App();
    app.instance = instance;

    // One look at the screen for both fonts.
    const int verticalDpi = ScreenVerticalDpi();
    app.smallFont = CreateLucidaConsole(RoundedPointSize(FontScale(8)), FW_NORMAL, verticalDpi);
    app.titleFont = CreateLucidaConsole(RoundedPointSize(FontScale(12)), FW_BOLD, verticalDpi);
    if (!app.smallFont || !app.titleFont) FailStartUp();

    app.jobLock.reset(CreateMutexW(nullptr, FALSE, nullptr));
    app.cancelSignal.reset(CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr));
    if (!app.jobLock || !app.cancelSignal) FailStartUp();
    app.driveTable.clear();

    app.quitRequested = false;
    app.windowX = 330;
    app.windowY = 290;
    app.debugMode = false;

    ReadCommandLine(app);

    // Without a log file the run goes on; every log line is then dropped.
    if (app.debugMode) OpenProcessLog(LogPathForProgram(ProgramPath()));

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    // Not imported: the loader would look for the DLL beside the program first.
    static const SystemLibrary commonControls(L"comctl32.dll");
    if (const auto init =
            commonControls.Get<decltype(&InitCommonControlsEx)>("InitCommonControlsEx"))
        init(&controls);
    if (!CreateEventWindow(instance) || !RegisterMainWindowClass(instance) ||
        !RegisterAboutPanelClass(instance)) {
        FailStartUp();
    }
    CreateMainWindow(app.windowX, app.windowY);
    if (!app.mainWindow) FailStartUp();

    // Without an image the field keeps the prompt it was created with.
    if (!app.isoPath.empty()) ShowIsoPath();

    WriteLogLine(L"");
    WriteLogLine(L"**************************************");
    WriteLogLine(L"Get Drive Type and Volume Information:");
    RebuildDriveList();
    // What a run ended by force left; after the first window, which need not wait for it.
    RemoveStaleToolFolders(TempFolder());

    RunMainLoop(app);
    EndProgram();
}

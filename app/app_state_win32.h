#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "tools/tool_folder_win32.h"
#include "tools/unique_handle_win32.h"

// Process-wide state, owned by the user-interface thread unless noted.
struct AppState {
    HINSTANCE instance = nullptr;
    GdiObject<HFONT> smallFont;
    GdiObject<HFONT> titleFont;
    UniqueHandle jobLock;       // held by the worker for a whole job
    UniqueHandle cancelSignal;  // counting semaphore, count 0 at start
    std::vector<std::wstring> driveTable;
    std::vector<std::wstring> driveRows;  // the entries behind DriveList's rows, in row order
    bool quitRequested = false;
    bool quitAfterJob = false;
    bool debugMode = false;
    int windowX = 330;
    int windowY = 290;
    std::wstring isoPath;
    std::wstring targetDrive;
    UniqueHandle workerThread;
    ToolFolder jobTools;  // the running job's tools run from here; removed at its end
    bool jobRunning = false;  // from a confirmed Copy until its JobFinished is handled
    HWND mainWindow = nullptr;
    HWND aboutWindow = nullptr;
    GdiObject<HFONT>
        controlFont;  // the system's message font, for controls without a font of their own
};

AppState& App();

// The worker thread exists and has not ended.
bool WorkerAlive();

// Gives a worker still alive a couple of seconds to return, then stops it by force. After its
// JobFinished a worker only returns, yet a forced stop could catch it holding the heap's lock.
void StopWorker();

// Releases everything the process holds and exits with code 0.
[[noreturn]] void EndProgram();

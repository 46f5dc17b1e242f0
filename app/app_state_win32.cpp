#include "app/app_state_win32.h"

#include "app/run_log_win32.h"

AppState& App() {
    static AppState state;
    return state;
}

void EndProgram() {
    AppState& app = App();
    WriteLogLine(L"");
    WriteLogLine(L"Exit");
    CloseProcessLog();
    // A worker can outlive its job by a moment after posting completion; nothing of it is needed.
    if (app.workerThread && WaitForSingleObject(app.workerThread.get(), 0) == WAIT_TIMEOUT) {
        TerminateThread(app.workerThread.get(), 0);
    }
    app.workerThread.reset();
    if (app.mainWindow) DestroyWindow(app.mainWindow);
    app.mainWindow = nullptr;
    app.smallFont.reset();
    app.titleFont.reset();
    app.controlFont.reset();
    app.jobLock.reset();
    app.cancelSignal.reset();
    ExitProcess(0);
}

#include "app/app_state_win32.h"

#include "app/event_window_win32.h"
#include "app/run_log_win32.h"

AppState& App() {
    static AppState state;
    return state;
}

bool WorkerAlive() {
    return App().workerThread && WaitForSingleObject(App().workerThread.get(), 0) == WAIT_TIMEOUT;
}

void EndProgram() {
    AppState& app = App();
    WriteLogLine(L"");
    WriteLogLine(L"Exit");
    CloseProcessLog();
    // A worker can outlive its job by a moment after posting completion; nothing of it is needed.
    if (WorkerAlive()) TerminateThread(app.workerThread.get(), 0);
    app.workerThread.reset();
    if (app.mainWindow) DestroyWindow(app.mainWindow);
    if (app.aboutWindow) DestroyWindow(app.aboutWindow);
    DestroyEventWindow();
    app.smallFont.reset();
    app.titleFont.reset();
    app.controlFont.reset();
    app.jobLock.reset();
    app.cancelSignal.reset();
    ExitProcess(0);
}

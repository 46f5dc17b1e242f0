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

void StopWorker() {
    AppState& app = App();
    if (!WorkerAlive()) return;
    constexpr ULONGLONG kWorkerEndMilliseconds = 2000;
    const ULONGLONG deadline = GetTickCount64() + kWorkerEndMilliseconds;
    HANDLE worker = app.workerThread.get();
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        // Messages the worker sends to the window are handled meanwhile, so it cannot get stuck
        // on this thread.
        const DWORD woken = MsgWaitForMultipleObjects(
            1, &worker, FALSE, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0) return;
        if (woken != WAIT_OBJECT_0 + 1) break;
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (WorkerAlive()) TerminateThread(worker, 0);
}

void EndProgram() {
    AppState& app = App();
    WriteLogLine(L"");
    WriteLogLine(L"Exit");
    CloseProcessLog();
    // A worker can outlive its job by a moment after posting completion; nothing of it is needed.
    StopWorker();
    app.workerThread.reset();
    app.jobTools.Remove();
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

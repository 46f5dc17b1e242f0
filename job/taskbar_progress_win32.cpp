#include <windows.h>
#include <shobjidl.h>
#include <versionhelpers.h>

#include "job/taskbar_progress_win32.h"

#include "app/app_state_win32.h"

namespace {

ITaskbarList3* g_taskbar = nullptr;
bool g_comStarted = false;

}  // namespace

bool TaskbarProgressSupported() {
    return IsWindows7OrGreater();
}

void StartTaskbarProgress() {
    if (!TaskbarProgressSupported()) return;
    g_comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    void* object = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                &object))) {
        return;  // no taskbar progress for this job
    }
    g_taskbar = static_cast<ITaskbarList3*>(object);
    g_taskbar->HrInit();
    g_taskbar->SetProgressValue(App().mainWindow, 0, 100);
    g_taskbar->SetProgressState(App().mainWindow, TBPF_NORMAL);
}

void SetTaskbarValue(int value) {
    if (g_taskbar && TaskbarProgressSupported())
        g_taskbar->SetProgressValue(App().mainWindow, value, 100);
}

void StopTaskbarProgress() {
    if (!TaskbarProgressSupported()) return;
    if (g_taskbar) {
        g_taskbar->SetProgressState(App().mainWindow, TBPF_NOPROGRESS);
        g_taskbar->Release();
        g_taskbar = nullptr;
    }
    if (g_comStarted) CoUninitialize();
    g_comStarted = false;
}

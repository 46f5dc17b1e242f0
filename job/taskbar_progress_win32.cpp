#include <windows.h>
#include <shobjidl.h>
#include <versionhelpers.h>

#include "job/taskbar_progress_win32.h"

#include "tools/com_library_win32.h"
#include "tools/unique_handle_win32.h"

namespace {

// Released before COM ends: declared after it, so destroyed first.
UniqueComInit g_com;
UniqueComPointer<ITaskbarList3> g_taskbar;
HWND g_window = nullptr;

}  // namespace

bool TaskbarProgressSupported() {
    return IsWindows7OrGreater();
}

void StartTaskbarProgress(HWND window) {
    if (!TaskbarProgressSupported()) return;
    g_window = window;
    g_com.reset(SUCCEEDED(InitializeCom(COINIT_APARTMENTTHREADED)));
    void* object = nullptr;
    if (FAILED(CreateComInstance(CLSID_TaskbarList, IID_ITaskbarList3, &object))) {
        return;  // no taskbar progress for this job
    }
    g_taskbar.reset(static_cast<ITaskbarList3*>(object));
    g_taskbar.get()->HrInit();
    g_taskbar.get()->SetProgressValue(g_window, 0, 100);
    g_taskbar.get()->SetProgressState(g_window, TBPF_NORMAL);
}

void SetTaskbarValue(int value) {
    if (g_taskbar && TaskbarProgressSupported())
        g_taskbar.get()->SetProgressValue(g_window, value, 100);
}

void StopTaskbarProgress() {
    if (!TaskbarProgressSupported()) return;
    if (g_taskbar) {
        g_taskbar.get()->SetProgressState(g_window, TBPF_NOPROGRESS);
        g_taskbar.reset();
    }
    g_com.reset();
}

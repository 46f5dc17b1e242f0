#include "app/event_window_win32.h"

#include <atomic>

#include "app/dispatcher_win32.h"
#include "app/message_window_win32.h"
#include "app/window_parts_win32.h"
#include "job/job_launch_win32.h"
#include "job/taskbar_progress_win32.h"

namespace {

constexpr wchar_t kEventClass[] = L"TarnvikEvents";
constexpr UINT kJobEventMessage = WM_APP + 1;
constexpr UINT kTaskbarValueMessage = WM_APP + 2;
constexpr UINT kStatusTextMessage = WM_APP + 3;
HWND g_eventWindow = nullptr;

// The newest taskbar value not yet shown. A report comes after every 4 KiB chunk, so the values
// are handed over through this one slot with at most one message under way: the window's queue
// never fills up, which would also lose the job's end.
constexpr int kNoValue = -1;
std::atomic<int> g_taskbarValue{kNoValue};

// The newest status text not yet shown, in the same way; a text does not fit in an atomic, so it
// has a lock, held only to swap it.
SRWLOCK g_statusLock = SRWLOCK_INIT;
HWND g_statusControl = nullptr;
std::wstring g_statusText;
bool g_statusUnderWay = false;

void ShowStatusText() {
    std::wstring text;
    AcquireSRWLockExclusive(&g_statusLock);
    text.swap(g_statusText);
    const HWND control = g_statusControl;
    g_statusUnderWay = false;
    ReleaseSRWLockExclusive(&g_statusLock);
    SetWindowTextW(control, text.c_str());
}

LRESULT CALLBACK EventWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kJobEventMessage:
            if (static_cast<int>(wParam) == kJobFinishedEvent) {
                DispatchEvent({EventKind::JobFinished, kMainWindowId, 0, 0});
            }
            return 0;
        case kTaskbarValueMessage:
            SetTaskbarValue(g_taskbarValue.exchange(kNoValue));
            return 0;
        case kStatusTextMessage:
            ShowStatusText();
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool CreateEventWindow(HINSTANCE instance) {
    if (!RegisterWindowClass(instance, kEventClass, EventWindowProc)) return false;
    g_eventWindow = CreateMessageWindow(kEventClass, instance);
    return g_eventWindow != nullptr;
}

void DestroyEventWindow() {
    if (g_eventWindow) DestroyWindow(g_eventWindow);
    g_eventWindow = nullptr;
}

void PostJobEvent(int eventNumber) {
    PostMessageW(g_eventWindow, kJobEventMessage, eventNumber, 0);
}

void PostTaskbarValue(int value) {
    if (g_taskbarValue.exchange(value) == kNoValue)
        PostMessageW(g_eventWindow, kTaskbarValueMessage, 0, 0);
}

void PostStatusText(HWND control, const std::wstring& text) {
    AcquireSRWLockExclusive(&g_statusLock);
    g_statusControl = control;
    g_statusText = text;
    const bool post = !g_statusUnderWay;
    g_statusUnderWay = true;
    ReleaseSRWLockExclusive(&g_statusLock);
    if (post) PostMessageW(g_eventWindow, kStatusTextMessage, 0, 0);
}

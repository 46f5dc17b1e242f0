#include "app/event_window_win32.h"

#include "app/dispatcher_win32.h"
#include "job/taskbar_progress_win32.h"

namespace {

constexpr wchar_t kEventClass[] = L"TarnvikEvents";
constexpr UINT kJobEventMessage = WM_APP + 1;
constexpr UINT kTaskbarValueMessage = WM_APP + 2;
HWND g_eventWindow = nullptr;

LRESULT CALLBACK EventWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kJobEventMessage:
            if (static_cast<int>(wParam) == kJobFinishedEvent) {
                DispatchEvent({EventKind::JobFinished, kMainWindowId, 0, 0});
            }
            return 0;
        case kTaskbarValueMessage:
            SetTaskbarValue(static_cast<int>(wParam));
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool CreateEventWindow(HINSTANCE instance) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = EventWindowProc;
    cls.hInstance = instance;
    cls.lpszClassName = kEventClass;
    RegisterClassExW(&cls);
    g_eventWindow = CreateWindowExW(0, kEventClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    instance, nullptr);
    return g_eventWindow != nullptr;
}

void DestroyEventWindow() {
    if (g_eventWindow) DestroyWindow(g_eventWindow);
    g_eventWindow = nullptr;
}

void PostJobEvent(int eventNumber) { PostMessageW(g_eventWindow, kJobEventMessage, eventNumber, 0); }

void PostTaskbarValue(int value) { PostMessageW(g_eventWindow, kTaskbarValueMessage, value, 0); }

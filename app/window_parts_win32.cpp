#include "app/window_parts_win32.h"

#include "app/app_state_win32.h"
#include "app/dispatcher_win32.h"
#include "res/control_ids.h"

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

}  // namespace

HWND CreateFixedWindow(const wchar_t* windowClass, int x, int y) {
    RECT outer{0, 0, 370, 210};
    AdjustWindowRectEx(&outer, kWindowStyle, FALSE, 0);
    return CreateWindowExW(0, windowClass, kWindowTitle, kWindowStyle, x, y,
                           outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                           App().instance, nullptr);
}

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                         HBRUSH background, HICON icon, HICON smallIcon) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = procedure;
    cls.hInstance = instance;
    cls.hIcon = icon;
    cls.hIconSm = smallIcon;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = background;
    cls.lpszClassName = name;
    return RegisterClassExW(&cls) != 0;
}

HWND AddControl(HWND parent, const wchar_t* controlClass, const wchar_t* text, DWORD style, int x,
                int y, int w, int h, int id, HFONT font, DWORD exStyle, bool visible) {
    if (visible) style |= WS_VISIBLE;
    HWND control =
        CreateWindowExW(exStyle, controlClass, text, WS_CHILD | style, x, y, w, h, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), App().instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

bool ForwardToDispatcher(int windowId, UINT message, WPARAM wParam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CLOSE:
            // Closing is decided by the dispatcher, never by the default handling.
            DispatchEvent({EventKind::Close, windowId, 0, 0});
            return true;
        case WM_SIZE:
            DispatchEvent({EventKind::Size, windowId, 0, 0});
            return false;  // the default handling still runs
        case WM_COMMAND:
            DispatchEvent({EventKind::Control, windowId, LOWORD(wParam), HIWORD(wParam)});
            return true;
    }
    return false;
}

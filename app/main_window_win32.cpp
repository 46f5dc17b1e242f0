#include "app/main_window_win32.h"

#include "app/app_state_win32.h"
#include "app/control_ids.h"
#include "app/dispatcher_win32.h"
#include "res/resource_ids.h"

namespace {

constexpr wchar_t kMainClass[] = L"TarnvikMainWindow";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kClientWidth = 370;
constexpr int kClientHeight = 210;
constexpr COLORREF kMainBackground = RGB(0, 0, 32);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            // Closing is decided by the dispatcher, never by the default handling.
            DispatchEvent({EventKind::Close, kMainWindowId, 0, 0});
            return 0;
        case WM_SIZE:
            DispatchEvent({EventKind::Size, kMainWindowId, 0, 0});
            break;
        case WM_COMMAND:
            DispatchEvent({EventKind::Control, kMainWindowId, LOWORD(wParam), HIWORD(wParam)});
            return 0;
        case WM_DESTROY:
            if (App().mainWindow == window) App().mainWindow = nullptr;
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateControl(HWND parent, DWORD exStyle, const wchar_t* cls, const wchar_t* text,
                   DWORD style, int x, int y, int w, int h, int id) {
    return CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), App().instance,
                           nullptr);
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
    static GdiObject<HBRUSH> background(CreateSolidBrush(kMainBackground));
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = MainWindowProc;
    cls.hInstance = instance;
    cls.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TARNVIK), IMAGE_ICON,
                                              0, 0, LR_DEFAULTSIZE | LR_SHARED));
    cls.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TARNVIK),
                                                IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = background.get();
    cls.lpszClassName = kMainClass;
    return RegisterClassExW(&cls) != 0;
}

void CreateMainWindow(int x, int y) {
    RECT outer{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&outer, kWindowStyle, FALSE, 0);
    HWND window = CreateWindowExW(0, kMainClass, kWindowTitle, kWindowStyle, x, y,
                                  outer.right - outer.left, outer.bottom - outer.top, nullptr,
                                  nullptr, App().instance, nullptr);
    App().mainWindow = window;
    if (!window) return;
    CreateControl(window, WS_EX_CLIENTEDGE, L"EDIT", kIsoPrompt, ES_READONLY | ES_AUTOHSCROLL, 5,
                  55, 290, 20, kIsoField);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
}

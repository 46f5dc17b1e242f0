// The smallest Win32 window program, the yardstick for Tarnvik's start-up: one window, shown at
// once, closed by its close box.
#include <windows.h>

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = WindowProc;
    cls.hInstance = instance;
    cls.lpszClassName = L"MinimalWindow";
    RegisterClassW(&cls);
    CreateWindowW(L"MinimalWindow", L"Minimal window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 330, 290,
                  376, 239, nullptr, nullptr, instance, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}

#include "app/message_window_win32.h"

HWND CreateMessageWindow(const wchar_t* windowClass, HINSTANCE instance) {
    return CreateWindowExW(0, windowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                           nullptr);
}

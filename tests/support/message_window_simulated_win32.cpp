// The test build's message-only window: refused, as a system out of window handles would, while
// the variable TARNVIK_TEST_REFUSE_EVENT_WINDOW is set; made as usual otherwise. Only the test
// build links this unit.
#include "app/message_window_win32.h"

HWND CreateMessageWindow(const wchar_t* windowClass, HINSTANCE instance) {
    if (GetEnvironmentVariableW(L"TARNVIK_TEST_REFUSE_EVENT_WINDOW", nullptr, 0) > 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return CreateWindowExW(0, windowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                           nullptr);
}

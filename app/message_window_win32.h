#pragma once
#include <windows.h>

// A hidden message-only window of a registered class, or null when the system refuses one. Its
// own link-time unit: the program's test build replaces it to refuse, so that a start-up without
// the window that carries a job's end can be tested.
HWND CreateMessageWindow(const wchar_t* windowClass, HINSTANCE instance);

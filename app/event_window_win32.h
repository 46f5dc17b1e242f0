#pragma once
#include <windows.h>

#include <string>

// A hidden window of the user-interface thread that receives what the worker posts. A posted
// thread message would be lost inside a message box's loop; a window's message is not.
[[nodiscard]] bool CreateEventWindow(HINSTANCE instance);
void DestroyEventWindow();

// Worker side: the job's end (the event number of JobFinished), taskbar values and status texts.
// The taskbar and the control always end up showing the last value or text handed over, and
// anything handed over before the job's end is shown before the window hears of that end.
void PostJobEvent(int eventNumber);
void PostTaskbarValue(int value);
void PostStatusText(HWND control, const std::wstring& text);

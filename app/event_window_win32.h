#pragma once
#include <windows.h>

// A hidden window of the user-interface thread that receives what the worker posts. A posted
// thread message would be lost inside a message box's loop; a window's message is not.
[[nodiscard]] bool CreateEventWindow(HINSTANCE instance);
void DestroyEventWindow();

// Worker side: the job's end (the event number of JobFinished) and taskbar values; the taskbar
// always ends up showing the last value handed over.
void PostJobEvent(int eventNumber);
void PostTaskbarValue(int value);

#pragma once
#include <windows.h>

// The progress bar on the program's taskbar button, from Windows 7 on; it lives for one job and
// is used on the user-interface thread only (the worker's values arrive as posted messages).
bool TaskbarProgressSupported();
// Starts the bar on the button of this window, which the later calls keep to.
void StartTaskbarProgress(HWND window);
void SetTaskbarValue(int value);
void StopTaskbarProgress();

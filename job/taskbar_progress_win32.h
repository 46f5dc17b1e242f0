#pragma once

// The progress bar on the program's taskbar button, from Windows 7 on; it lives for one job and
// is used on the user-interface thread only (the worker's values arrive as posted messages).
bool TaskbarProgressSupported();
void StartTaskbarProgress();
void SetTaskbarValue(int value);
void StopTaskbarProgress();

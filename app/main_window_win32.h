#pragma once
#include <windows.h>

bool RegisterMainWindowClass(HINSTANCE instance);
// Builds MainWindow in its initial state with its outer top-left corner at (x, y).
void CreateMainWindow(int x, int y);

#pragma once
#include <windows.h>

[[nodiscard]] bool RegisterMainWindowClass(HINSTANCE instance);
// Builds MainWindow in its initial state with its outer top-left corner at (x, y).
void CreateMainWindow(int x, int y);
// IsoField: the chosen image's name and size, or the prompt when none is chosen.
void ShowIsoPath();

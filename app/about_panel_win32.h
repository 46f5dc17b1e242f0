#pragma once
#include <windows.h>

[[nodiscard]] bool RegisterAboutPanelClass(HINSTANCE instance);
// Opens AboutWindow with its outer top-left corner at (x, y).
void OpenAboutPanel(int x, int y);

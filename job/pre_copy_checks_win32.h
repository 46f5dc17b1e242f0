#pragma once
#include <string>

// 1 when the drive is there and on USB and the image is chosen, present and fits on it and is
// neither on it nor on another volume of its disk; otherwise shows the reason in a message box
// and returns 0.
int CheckBeforeCopy(const std::wstring& targetDrive, const std::wstring& isoPath);

// A warning box titled "Tarnvik" that keeps every window of the program from input while open.
void ShowCheckMessage(const std::wstring& text);

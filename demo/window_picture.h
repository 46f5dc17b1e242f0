#pragma once
#include <windows.h>

#include <string>

// Saves what the screen shows of a window, its frame included, as a PNG file.
bool SaveWindowPng(HWND window, const std::wstring& pngPath);

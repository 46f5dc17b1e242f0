#pragma once
#include <windows.h>

// What MainWindow and AboutWindow have in common: the fixed-size frame around a 370 x 210
// client area, their controls, and the events they hand to the dispatcher.
HWND CreateFixedWindow(const wchar_t* windowClass, int x, int y);
// Registers one of the program's window classes, with the arrow cursor; a null brush or icon
// leaves the system's default. False when the class could not be registered.
[[nodiscard]] bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                                       HBRUSH background = nullptr, HICON icon = nullptr,
                                       HICON smallIcon = nullptr);
// A child control with its font; a control created invisible stays so until it is shown.
HWND AddControl(HWND parent, const wchar_t* controlClass, const wchar_t* text, DWORD style, int x,
                int y, int w, int h, int id, HFONT font, DWORD exStyle = 0, bool visible = true);
// Close requests, size events and control notifications go to DispatchEvent; true when the
// message was one of them (result then holds the answer).
bool ForwardToDispatcher(int windowId, UINT message, WPARAM wParam, LRESULT& result);

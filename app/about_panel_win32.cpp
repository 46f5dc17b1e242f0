#include "app/about_panel_win32.h"

#include "app/app_state_win32.h"
#include "app/window_parts_win32.h"
#include "res/control_ids.h"
#include "res/resource_ids.h"

namespace {

constexpr wchar_t kAboutClass[] = L"TarnvikAboutWindow";
constexpr COLORREF kAboutBackground = RGB(0, 0, 96);

const wchar_t* const kNotice[] = {
    L"", L"Tarnvik is free of charge.",           L"Nobody may ask you to pay for it.",
    L"", L"You may use as many copies as you",    L"like, on as many computers as you like.",
    L"", L"You may pass it on to anyone freely,", L"but you may not sell it.",
    L"", L"It comes without any warranty: you",   L"use it entirely at your own risk.",
    L"",
};

HBRUSH AboutBrush() {
    static GdiObject<HBRUSH> brush(CreateSolidBrush(kAboutBackground));
    return brush.get();
}

LRESULT CALLBACK AboutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (ForwardToDispatcher(kAboutWindowId, message, wParam, result)) return result;
    switch (message) {
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            if (id == kAboutTitle || id == kAboutNotice) {
                HDC context = reinterpret_cast<HDC>(wParam);
                SetTextColor(context, RGB(255, 255, 255));
                SetBkColor(context, kAboutBackground);
                return reinterpret_cast<LRESULT>(AboutBrush());
            }
            break;
        }
        case WM_DESTROY:
            if (App().aboutWindow == window) App().aboutWindow = nullptr;
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool RegisterAboutPanelClass(HINSTANCE instance) {
    HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TARNVIK), IMAGE_ICON,
                                               0, 0, LR_DEFAULTSIZE | LR_SHARED));
    return RegisterWindowClass(instance, kAboutClass, AboutWindowProc, AboutBrush(), icon);
}

void OpenAboutPanel(int x, int y) {
    AppState& app = App();
    HWND w = CreateFixedWindow(kAboutClass, x, y);
    app.aboutWindow = w;
    if (!w) return;
    AddControl(w, L"STATIC", L"About Tarnvik", SS_CENTER, 5, 5, 360, 20, kAboutTitle,
               app.titleFont.get());
    HWND notice = AddControl(w, L"LISTBOX", L"", LBS_NOINTEGRALHEIGHT | WS_VSCROLL | LBS_NOSEL, 5,
                             25, 360, 180, kAboutNotice, app.smallFont.get(), WS_EX_CLIENTEDGE);
    for (const wchar_t* line : kNotice) {
        SendMessageW(notice, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    }
    AddControl(w, L"BUTTON", L"Back", BS_PUSHBUTTON | WS_TABSTOP, 325, 5, 40, 15, kAboutBackButton,
               app.controlFont.get());
    ShowWindow(w, SW_SHOWNORMAL);
    UpdateWindow(w);
}

#include "app/main_window_win32.h"

#include <commctrl.h>

#include <iterator>

#include "app/app_state_win32.h"
#include "app/command_line.h"
#include "app/window_parts_win32.h"
#include "job/add_files_size.h"
#include "res/control_ids.h"
#include "res/resource_ids.h"
#include "tools/folders.h"
#include "tools/path_size.h"
#include "tools/unique_handle_win32.h"

namespace {

constexpr wchar_t kMainClass[] = L"TarnvikMainWindow";
constexpr wchar_t kGroupClass[] = L"TarnvikGroup";
constexpr COLORREF kMainBackground = RGB(0, 0, 32);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kWarningRed = RGB(255, 0, 0);

HBRUSH MainBrush() {
    static GdiObject<HBRUSH> brush(CreateSolidBrush(kMainBackground));
    return brush.get();
}

// The window's two images; replaced at each creation of the window.
struct MainImages {
    UniqueIcon folder;
    UniqueIcon about;
};
MainImages g_images;

bool IsWhiteOnWindow(int id) {
    switch (id) {
        case kFileSystemCaption:
        case kLabelCaption:
        case kBootCaption:
        case kAddFilesCaption:
        case kStatusText:
        case kLabelField:
            return true;
        default:
            return false;
    }
}

// The job's controls: created hidden, shown when a job starts.
bool HiddenAtStart(int id) {
    return id == kStatusText || id == kJobProgressBar || id == kBackButton;
}

// Colours of the controls that have their own; the rest keep the system's.
bool ControlColours(HWND control, HDC context, HBRUSH& brush) {
    const int id = GetDlgCtrlID(control);
    if (id == kWarningText || IsWhiteOnWindow(id)) {
        SetTextColor(context, id == kWarningText ? kWarningRed : kWhite);
        SetBkColor(context, kMainBackground);
        brush = MainBrush();
        return true;
    }
    if (id == kAboutIcon || id == kAddFilesFolderIcon) {
        brush = MainBrush();
        return true;
    }
    return false;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (ForwardToDispatcher(kMainWindowId, message, wParam, result)) return result;
    switch (message) {
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT: {
            HBRUSH brush = nullptr;
            if (ControlColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam),
                               brush)) {
                return reinterpret_cast<LRESULT>(brush);
            }
            break;
        }
        case DM_GETDEFID:
            return MAKELRESULT(kCopyButton, DC_HASDEFID);
        case WM_DESTROY:
            if (App().mainWindow == window) App().mainWindow = nullptr;
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A bordered container: its controls' notifications and colour requests go on to the window.
LRESULT CALLBACK GroupProc(HWND group, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return SendMessageW(GetParent(group), message, wParam, lParam);
    }
    return DefWindowProcW(group, message, wParam, lParam);
}

// One control of the window; container 0 is the window itself, otherwise a group's id.
struct ControlSpec {
    int id;
    const wchar_t* controlClass;
    const wchar_t* text;
    DWORD style;
    int x, y, w, h;
    int container;
    DWORD exStyle;
};

constexpr int kOnWindow = 0;

const ControlSpec kControls[] = {
    {kDriveList, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 5, 10, 290, 200,
     kOnWindow, 0},
    {kRefreshButton, WC_BUTTONW, L"Refresh", BS_PUSHBUTTON | WS_TABSTOP, 300, 10, 65, 20, kOnWindow,
     0},
    {kWarningText, WC_STATICW, L"***  All Files on the disk will be deleted  ***", SS_CENTER, 5, 36,
     360, 15, kOnWindow, 0},
    {kIsoField, WC_EDITW, kIsoPrompt, ES_READONLY | ES_AUTOHSCROLL, 5, 55, 290, 20, kOnWindow,
     WS_EX_CLIENTEDGE},
    {kIsoButton, WC_BUTTONW, L"ISO", BS_PUSHBUTTON | WS_TABSTOP, 300, 55, 65, 20, kOnWindow, 0},
    {kFileSystemCaption, WC_STATICW, L"File System", 0, 5, 88, 65, 15, kOnWindow, 0},
    {kFileSystemGroup, kGroupClass, L"", WS_BORDER, 70, 85, 165, 20, kOnWindow,
     WS_EX_CONTROLPARENT},
    {kFat32Option, WC_BUTTONW, L"FAT32 (Default)", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 10,
     0, 100, 20, kFileSystemGroup, 0},
    {kNtfsOption, WC_BUTTONW, L"NTFS", BS_AUTORADIOBUTTON, 110, 0, 55, 20, kFileSystemGroup, 0},
    {kLabelCaption, WC_STATICW, L"Label", 0, 240, 88, 37, 15, kOnWindow, 0},
    {kLabelField, WC_EDITW, L"MyUSB", ES_AUTOHSCROLL | WS_TABSTOP, 277, 85, 88, 20, kOnWindow,
     WS_EX_CLIENTEDGE},
    {kBootCaption, WC_STATICW, L"Boot manager", 0, 5, 118, 80, 15, kOnWindow, 0},
    {kBootGroup, kGroupClass, L"", WS_BORDER, 85, 115, 280, 20, kOnWindow, WS_EX_CONTROLPARENT},
    {kStandardBootOption, WC_BUTTONW, L"Standard (BCD)", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
     10, 0, 110, 20, kBootGroup, 0},
    {kGrub4DosOption, WC_BUTTONW, L"Grub4Dos (If detected)", BS_AUTORADIOBUTTON, 120, 0, 155, 20,
     kBootGroup, 0},
    {kAddFilesGroup, kGroupClass, L"", WS_BORDER, 5, 141, 20, 20, kOnWindow, WS_EX_CONTROLPARENT},
    {kAddFilesCheck, WC_BUTTONW, L"", BS_AUTOCHECKBOX | WS_TABSTOP, 2, 0, 17, 20, kAddFilesGroup,
     0},
    {kAddFilesCaption, WC_STATICW, L"Add files to USB root From", 0, 30, 144, 150, 15, kOnWindow,
     0},
    {kAddFilesFolderIcon, WC_STATICW, L"", SS_ICON | SS_NOTIFY, 180, 141, 20, 20, kOnWindow, 0},
    {kAboutIcon, WC_STATICW, L"", SS_ICON | SS_NOTIFY, 349, 144, 16, 16, kOnWindow, 0},
    {kCopyButton, WC_BUTTONW, L"Copy ISO to USB drive", BS_DEFPUSHBUTTON | WS_TABSTOP, 5, 170, 360,
     35, kOnWindow, 0},
    // BackButton covers the right end of the status line: the line never paints over it.
    {kStatusText, WC_STATICW, L"", WS_CLIPSIBLINGS, 5, 170, 360, 15, kOnWindow, 0},
    {kJobProgressBar, PROGRESS_CLASSW, L"", 0, 5, 188, 360, 10, kOnWindow, 0},
    {kBackButton, WC_BUTTONW, L"Back", BS_PUSHBUTTON | WS_TABSTOP | WS_CLIPSIBLINGS, 325, 168, 40,
     15, kOnWindow, 0},
};

void Check(HWND button, bool checked) {
    SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// A drop-down list is created with the height of its opened list; its closed field is sized here.
void SetClosedHeight(HWND combo, int height) {
    RECT rect;
    GetWindowRect(combo, &rect);
    if (rect.bottom - rect.top == height) return;
    const LRESULT item = SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    const LRESULT wanted = item + height - (rect.bottom - rect.top);
    if (wanted > 0) SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), wanted);
}

HICON LoadImageIcon(int resource, int size) {
    return static_cast<HICON>(
        LoadImageW(App().instance, MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, 0));
}

void EnsureControlFont() {
    if (App().controlFont) return;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        App().controlFont.reset(CreateFontIndirectW(&metrics.lfMessageFont));
    }
}

bool Grub4DosLoaderWaiting() {
    return PathSize(AddFilesFolder() + L"grldr") >= 1;
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
    HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TARNVIK), IMAGE_ICON,
                                               0, 0, LR_DEFAULTSIZE | LR_SHARED));
    HICON smallIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TARNVIK),
                                                    IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                    GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    return RegisterWindowClass(instance, kMainClass, MainWindowProc, MainBrush(), icon,
                               smallIcon) &&
           RegisterWindowClass(instance, kGroupClass, GroupProc, MainBrush());
}

void CreateMainWindow(int x, int y) {
    AppState& app = App();
    EnsureControlFont();
    HWND w = CreateFixedWindow(kMainClass, x, y);
    app.mainWindow = w;
    if (!w) return;

    // Created in table order, which is also the z-order and the tab order; a group comes before
    // the controls it holds.
    HWND created[std::size(kControls)] = {};
    auto control = [&](int id) -> HWND {
        for (size_t i = 0; i < std::size(kControls); ++i) {
            if (kControls[i].id == id) return created[i];
        }
        return nullptr;
    };
    for (size_t i = 0; i < std::size(kControls); ++i) {
        const ControlSpec& c = kControls[i];
        HWND parent = c.container == kOnWindow ? w : control(c.container);
        HFONT font = c.id == kWarningText ? app.smallFont.get() : app.controlFont.get();
        created[i] = AddControl(parent, c.controlClass, c.text, c.style, c.x, c.y, c.w, c.h, c.id,
                                font, c.exStyle, !HiddenAtStart(c.id));
    }

    SetClosedHeight(control(kDriveList), 20);
    Check(control(kFat32Option), true);
    const bool grubWaiting = Grub4DosLoaderWaiting();
    Check(control(kStandardBootOption), !grubWaiting);
    Check(control(kGrub4DosOption), grubWaiting);
    Check(control(kAddFilesCheck), CountAddFilesBytes(AddFilesFolder(), L"*.*") > 0);

    g_images.folder.reset(LoadImageIcon(IDI_ADD_FILES_FOLDER, 20));
    g_images.about.reset(LoadImageIcon(IDI_ABOUT, 16));
    SendMessageW(control(kAddFilesFolderIcon), STM_SETICON,
                 reinterpret_cast<WPARAM>(g_images.folder.get()), 0);
    SendMessageW(control(kAboutIcon), STM_SETICON, reinterpret_cast<WPARAM>(g_images.about.get()),
                 0);

    HWND progress = control(kJobProgressBar);
    SendMessageW(progress, PBM_SETRANGE32, 0, 100);
    SendMessageW(progress, PBM_SETPOS, 0, 0);
    // Above the status line in the z-order, so that it is drawn over it and takes the clicks;
    // right after CopyButton, so that the tab order is unchanged.
    SetWindowPos(control(kBackButton), control(kCopyButton), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    ShowWindow(w, SW_SHOWNORMAL);
    UpdateWindow(w);
}

void ShowIsoPath() {
    const AppState& app = App();
    const std::wstring text =
        app.isoPath.empty() ? kIsoPrompt : IsoFieldText(app.isoPath, PathSize(app.isoPath));
    SetDlgItemTextW(app.mainWindow, kIsoField, text.c_str());
}

#include <windows.h>

#include "app/font_scale.h"
#include "tools/unique_handle_win32.h"

namespace {

double g_dpiCache = 0;

// The DPI a drawing surface reports, taken from a 1 x 1 off-screen image; 0 when it fails.
double MeasureDpi() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 1;
    info.bmiHeader.biHeight = 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const GdiObject<HBITMAP> image(
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!image) return 0;
    double dpi = 0;
    if (const UniqueMemoryDc context{CreateCompatibleDC(nullptr)}) {
        HGDIOBJ previous = SelectObject(context.get(), image.get());
        dpi = GetDeviceCaps(context.get(), LOGPIXELSX);
        SelectObject(context.get(), previous);
    }
    return dpi;
}

}  // namespace

double FontScale(int points) {
    if (g_dpiCache == 0) g_dpiCache = MeasureDpi();
    return ScaledPointSize(points, g_dpiCache);
}

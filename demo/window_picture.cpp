#include "demo/window_picture.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

uint32_t Crc32(const std::string& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return crc ^ 0xFFFFFFFFu;
}

void PutBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void PutChunk(std::string& out, const char* type, const std::string& body) {
    PutBigEndian(out, static_cast<uint32_t>(body.size()));
    const std::string typed = type + body;
    out += typed;
    PutBigEndian(out, Crc32(typed));
}

// 8-bit RGB rows, each after its filter byte, in a zlib stream of stored (uncompressed) blocks.
std::string EncodePng(int width, int height, const std::string& rows) {
    std::string zlib = "\x78\x01";
    for (size_t pos = 0; pos < rows.size();) {
        const size_t length = rows.size() - pos > 65535 ? 65535 : rows.size() - pos;
        zlib += static_cast<char>(pos + length == rows.size());
        for (size_t value : {length, ~length})
            zlib += {char(value & 0xFF), char(value >> 8 & 0xFF)};
        zlib.append(rows, pos, length);
        pos += length;
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : rows) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(zlib, (b << 16) | a);
    std::string header, png = "\x89PNG\r\n\x1a\n";
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", "");
    return png;
}

}  // namespace

bool SaveWindowPng(HWND window, const std::wstring& pngPath) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP image = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, image);
    const bool copied =
        image && BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    std::string rows;
    for (int y = 0; copied && y < height; ++y) {
        rows += '\0';  // filter type: none
        const auto* bgra = static_cast<const uint8_t*>(bits) + size_t(y) * width * 4;
        for (int x = 0; x < width; ++x, bgra += 4)
            rows += {char(bgra[2]), char(bgra[1]), char(bgra[0])};
    }
    SelectObject(memory, previous);
    if (image) DeleteObject(image);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) return false;
    const std::string png = EncodePng(width, height, rows);
    FILE* file = _wfopen(pngPath.c_str(), L"wb");
    const bool written = file && std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return file && std::fclose(file) == 0 && written;
}

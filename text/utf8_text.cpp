#include "text/utf8_text.h"

#include <cstdint>

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string Utf8FromWide(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t unit = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 4) {
            // Host builds hold whole code points in wchar_t.
            AppendUtf8(out, unit <= 0x10FFFF && (unit < 0xD800 || unit > 0xDFFF) ? unit : 0xFFFD);
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() &&
                   text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            const char32_t low = static_cast<char32_t>(text[++i]);
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else {
            AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
        }
    }
    return out;
}

std::wstring WideFromUtf8(const std::string& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int width = lead < 0x80             ? 0
                          : (lead & 0xE0) == 0xC0 ? 1
                          : (lead & 0xF0) == 0xE0 ? 2
                          : (lead & 0xF8) == 0xF0 ? 3
                                                  : -1;
        const size_t extra = width < 0 ? 0 : static_cast<size_t>(width);
        uint32_t code = extra == 0   ? lead
                        : extra == 1 ? lead & 0x1F
                        : extra == 2 ? lead & 0x0F
                                     : lead & 0x07;
        bool good = width >= 0 && i + extra < text.size();
        for (size_t k = 1; good && k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            good = (next & 0xC0) == 0x80;
            code = code << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are malformed too; let through, they
        // would be labels that no tool reads back as typed.
        static const uint32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
        const bool surrogate = code >= 0xD800 && code < 0xE000;
        if (good && (code < kShortest[extra] || code > 0x10FFFF || surrogate)) good = false;
        if (!good) {
            out.push_back(L'\xFFFD');
            ++i;
            continue;
        }
        if constexpr (sizeof(wchar_t) == 2) {
            if (code >= 0x10000) {
                code -= 0x10000;
                out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
                out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
                i += extra + 1;
                continue;
            }
        }
        out.push_back(static_cast<wchar_t>(code));
        i += extra + 1;
    }
    return out;
}

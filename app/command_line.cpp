#include "app/command_line.h"

#include "text/byte_size.h"
#include "text/path_text.h"

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
    std::vector<std::wstring> parts;
    std::wstring current;
    bool inQuotes = false;
    bool inPart = false;
    for (wchar_t c : line) {
        if (c == L'"') {
            inQuotes = !inQuotes;
            inPart = true;
        } else if ((c == L' ' || c == L'\t') && !inQuotes) {
            if (inPart) parts.push_back(current);
            current.clear();
            inPart = false;
        } else {
            current += c;
            inPart = true;
        }
    }
    if (inPart) parts.push_back(current);
    return parts;
}

ArgumentKind ClassifyArgument(const std::wstring& argument, int64_t fileSize) {
    if (AsciiLower(argument) == L"debug") return ArgumentKind::Debug;
    if (fileSize >= 1 && AsciiLower(ExtensionOf(argument)) == L"iso") return ArgumentKind::IsoImage;
    return ArgumentKind::Ignored;
}

std::wstring IsoFieldText(const std::wstring& isoPath, int64_t fileSize) {
    return FileNamePart(isoPath) + L"  (" + FormatByteSize(fileSize) + L")";
}

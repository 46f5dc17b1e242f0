#include "drives/drive_entry.h"

#include "text/byte_size.h"

namespace {

const wchar_t kSeparator[] = L"**";

const wchar_t* TypeTag(unsigned driveType) {
    static const wchar_t* const kTags[] = {L"UNKNOWN **", L"NO_ROOT_DIR **", L"FD **", L"HDD **",
                                           L"REMOTE **",  L"CD **",          L"RAM **"};
    return driveType < 7 ? kTags[driveType] : L"";
}

std::wstring TrimTrailingBlanks(const std::wstring& text) {
    const size_t last = text.find_last_not_of(L' ');
    return last == std::wstring::npos ? std::wstring() : text.substr(0, last + 1);
}

}  // namespace

std::wstring DriveRoot(int letterIndex) {
    return std::wstring(1, static_cast<wchar_t>(L'A' + letterIndex)) + L":\\";
}

std::wstring VolumeDevicePath(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\", 0) == 0) return path;
    return L"\\\\?\\" + path.substr(0, 2);
}

std::wstring BusMarker(bool onUsb) {
    return onUsb ? L"**USB" : L"**NOTUSB";
}

bool DriveTypeIsDescribed(unsigned driveType) {
    return driveType <= 6;
}

bool DriveTypeHasSize(unsigned driveType) {
    return driveType == 2 || driveType == 3;
}

std::wstring DriveDescription(unsigned driveType, const std::wstring& label,
                              const std::wstring& fileSystem, int64_t totalBytes) {
    if (!DriveTypeIsDescribed(driveType)) return {};
    std::wstring text =
        TypeTag(driveType) + TrimBlanks(label) + kSeparator + TrimBlanks(fileSystem);
    if (DriveTypeHasSize(driveType)) text += kSeparator + FormatByteSize(totalBytes);
    return text;
}

std::vector<std::wstring> DriveEntryFields(const std::wstring& entry) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        const size_t end = entry.find(kSeparator, start);
        fields.push_back(entry.substr(start, end == std::wstring::npos ? end : end - start));
        if (end == std::wstring::npos) break;
        start = end + 2;
    }
    fields.resize(5);
    return fields;
}

bool IsUsbEntry(const std::wstring& entry) {
    return DriveEntryFields(entry)[1].rfind(L"NOTUSB", 0) != 0;
}

std::wstring DriveLabel(const std::wstring& entry) {
    return DriveEntryFields(entry)[2];
}

std::wstring DriveRowText(const std::wstring& entry) {
    const std::vector<std::wstring> f = DriveEntryFields(entry);
    const std::wstring typeWord = TrimTrailingBlanks(f[1]);
    return f[0] + L" [" + f[2] + L"]  " + (typeWord.size() > 3 ? typeWord.substr(3) : L"") + L" " +
           f[3] + L"  (" + f[4] + L")";
}

std::wstring DriveLogLine(const std::wstring& entry) {
    const std::vector<std::wstring> f = DriveEntryFields(entry);
    return TrimTrailingBlanks(f[1]) + L" " + f[0] + L" [" + f[2] + L"] " + f[3] + L" (" + f[4] +
           L")";
}

std::wstring RootOfRow(const std::wstring& rowText) {
    return rowText.substr(0, 3);
}

std::wstring TrimBlanks(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return {};
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

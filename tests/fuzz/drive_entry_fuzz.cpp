// Drive entries as the scan builds them and the list and the log read them, and the size text.
#include "drives/drive_entry.h"
#include "tests/fuzz/fuzz_support.h"
#include "text/byte_size.h"

#include <cmath>
#include <cwchar>

namespace {

const wchar_t* const kUnits[] = {L"b ", L"KB", L"MB", L"GB", L"TB", L"PB"};

void CheckByteSize(int64_t bytes) {
    const std::wstring text = FormatByteSize(bytes);
    if (bytes < 0) return;
    int unit = -1;
    for (int u = 0; u < 6; ++u) {
        if (text.size() > 3 &&
            text.compare(text.size() - 3, 3, std::wstring(L" ") + kUnits[u]) == 0)
            unit = u;
    }
    Require(unit >= 0, "a size text ends in a unit");
    if (unit == 0) {
        Require(text == std::to_wstring(bytes) + L" b ", "bytes below 1 KB are shown whole");
        return;
    }
    const std::wstring number = text.substr(0, text.size() - 3);
    const size_t point = number.find(L'.');
    Require(point == std::wstring::npos ? number.size() >= 3 && number.size() <= 4
                                        : point >= 1 && point <= 2 && number.size() == point + 3,
            "one or two digits keep two decimals, three or four keep none");
    // Exact in hundredths: the shown value is cut, never rounded, so it lies within one step below
    // the true one. Past 2^53 bytes (8 PB) a double no longer holds every size exactly.
    if (bytes >= int64_t{1} << 53) return;
    const long double scale = std::pow(1024.0L, unit);
    const long double shown = std::wcstold(number.c_str(), nullptr);
    const long double step = point == std::wstring::npos ? 1.0L : 0.01L;
    const long double value = static_cast<long double>(bytes) / scale;
    Require(shown <= value + 1e-9L && value < shown + step + 1e-9L, "the size is cut, not rounded");
    Require(unit == 5 || value < 1024.0L, "the largest fitting unit is used");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int letter = input.ConsumeIntegralInRange<int>(0, 25);
    const bool onUsb = input.ConsumeBool();
    const unsigned driveType = input.ConsumeIntegralInRange<unsigned>(0, 9);
    const int64_t totalBytes = input.ConsumeIntegral<int64_t>();
    const std::wstring label = ConsumeWide(input, 80);
    const std::wstring fileSystem = ConsumeWide(input, 40);
    const std::wstring raw = ConsumeWide(input);

    CheckByteSize(totalBytes);

    // Whatever text arrives, the readers keep to their five fields.
    Require(DriveEntryFields(raw).size() == 5, "an entry always has five fields");
    DriveRowText(raw);
    DriveLogLine(raw);
    Require(RootOfRow(raw).size() == std::min<size_t>(raw.size(), 3), "a row's root is 3 chars");
    const std::wstring trimmed = TrimBlanks(raw);
    Require(trimmed.empty() || (trimmed.front() != L' ' && trimmed.back() != L' '),
            "trimmed text has no outer blanks");
    Require(raw.find(trimmed) != std::wstring::npos, "trimming only removes");
    const std::wstring device = VolumeDevicePath(raw);
    Require(StartsWith(device, L"\\\\?\\"), "a volume path is in device form");

    // An entry the scan builds reads back field by field. Windows labels and file system names
    // hold no asterisk, so the separator cannot appear in them.
    if (label.find(L'*') != std::wstring::npos || fileSystem.find(L'*') != std::wstring::npos)
        return 0;
    const std::wstring root = DriveRoot(letter);
    const std::wstring entry =
        root + BusMarker(onUsb) + DriveDescription(driveType, label, fileSystem, totalBytes);
    const std::vector<std::wstring> fields = DriveEntryFields(entry);
    Require(fields[0] == root, "the root reads back");
    Require(IsUsbEntry(entry) == onUsb, "the bus reads back");
    Require(RootOfRow(DriveRowText(entry)) == root, "a row starts with its root");
    if (!DriveTypeIsDescribed(driveType)) {
        Require(fields[2].empty() && fields[3].empty() && fields[4].empty(),
                "an undescribed drive has no label, file system or size");
        return 0;
    }
    Require(DriveLabel(entry) == TrimBlanks(label), "the label reads back trimmed");
    Require(fields[3] == TrimBlanks(fileSystem), "the file system reads back trimmed");
    Require(fields[4] == (DriveTypeHasSize(driveType) ? FormatByteSize(totalBytes) : L""),
            "the size reads back for removable and fixed drives only");
    const std::wstring row = DriveRowText(entry);
    Require(row.find(L"[" + fields[2] + L"]") != std::wstring::npos, "a row shows the label");
    const std::wstring log = DriveLogLine(entry);
    Require(StartsWith(log, onUsb ? L"USB" : L"NOTUSB"), "a log line starts with the bus");
    return 0;
}

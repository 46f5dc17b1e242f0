// Drive entries as the scan builds them and the list and the log read them. The size text is
// checked against the printed one by its unit test.
#include "drives/drive_entry.h"
#include "tests/fuzz/fuzz_support.h"
#include "text/byte_size.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int letter = input.ConsumeIntegralInRange<int>(0, 25);
    const bool onUsb = input.ConsumeBool();
    const unsigned driveType = input.ConsumeIntegralInRange<unsigned>(0, 9);
    const int64_t totalBytes = input.ConsumeIntegral<int64_t>();
    const std::wstring label = ConsumeWide(input, 80);
    const std::wstring fileSystem = ConsumeWide(input, 40);
    const std::wstring raw = ConsumeWide(input);

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

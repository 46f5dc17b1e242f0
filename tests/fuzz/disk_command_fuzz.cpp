// The disk tool's command lines, in both builds, and the labels it takes from them.
#include "disk/disk_command.h"
#include "disk/fat_label.h"
#include "text/utf8_text.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/child_command_line.h"

namespace {

const std::wstring kFormatStart = L"/partitions /repartition /activate /usb-hdd /fstype=";

std::wstring FormatSwitches(const std::wstring& fileSystem, const std::wstring& label) {
    return kFormatStart + fileSystem + L" /vollabel=" + label + L" /quiet";
}

std::wstring SwitchesOf(const DiskCommand& command) {
    switch (command.action) {
        case DiskAction::kFormat:
            return FormatSwitches(command.fileSystem, command.label);
        case DiskAction::kMbr:
            return L"/mbr /install /type=nt60 /quiet";
        case DiskAction::kPbrBootmgr:
            return L"/pbr /install /type=bootmgr /quiet";
        case DiskAction::kPbrGrub4Dos:
            return L"/pbr /install /type=grub4dos /pbr-disable-floppy /quiet";
    }
    return L"";
}

bool ScalarValue(uint32_t code) {
    return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

// Well-formed UTF-8 as RFC 3629 defines it: shortest forms, no surrogates, nothing past U+10FFFF.
bool WellFormedUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const size_t extra = lead < 0x80   ? 0
                             : lead < 0xC2 ? 9
                             : lead < 0xE0 ? 1
                             : lead < 0xF0 ? 2
                             : lead < 0xF5 ? 3
                                           : 9;
        if (extra == 9 || i + extra >= text.size()) return false;
        uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3F);
        }
        const uint32_t shortest = extra == 1 ? 0x80 : extra == 2 ? 0x800 : extra == 3 ? 0x10000 : 0;
        if (code < shortest || !ScalarValue(code)) return false;
        i += extra + 1;
    }
    return true;
}

size_t Utf16Units(const std::wstring& text) {
    size_t units = 0;
    for (wchar_t c : text) units += static_cast<uint32_t>(c) > 0xFFFF ? 2 : 1;
    return units;
}

void CheckLabels(const std::wstring& typed) {
    const FatLabel fat = MakeFatLabel(typed);
    bool anyName = false;
    for (size_t i = 0; i < typed.size() && i < 11; ++i) anyName = anyName || typed[i] != L' ';
    Require(fat.named == anyName,
            "a FAT label is named when its first 11 characters are not all blank");
    if (!fat.named)
        Require(std::string(fat.bytes.data(), 11) == "NO NAME    ", "no name is NO NAME");
    for (size_t i = 0; i < 11; ++i) {
        const char c = fat.bytes[i];
        Require(c >= 0x20 && c <= 0x7E && !(c >= 'a' && c <= 'z'),
                "label bytes are upper-case ASCII");
        Require(std::string("\"*+,./:;<=>?[\\]|").find(c) == std::string::npos,
                "a label holds no character FAT forbids");
        if (fat.named && i < typed.size()) {
            const wchar_t t = typed[i] >= L'a' && typed[i] <= L'z' ? typed[i] - 32 : typed[i];
            const bool forbidden =
                t < 0x20 || t > 0x7E ||
                std::wstring(L"\"*+,./:;<=>?[\\]|").find(t) != std::wstring::npos;
            Require(c == (forbidden ? '_' : static_cast<char>(t)),
                    "a label keeps what FAT allows, upper case, and puts _ for the rest");
        }
        if (fat.named && i >= typed.size())
            Require(c == ' ', "a short label is padded with blanks");
    }

    const std::wstring ntfs = NtfsLabel(typed);
    Require(StartsWith(typed, ntfs), "an NTFS label is the typed one, cut");
    Require(Utf16Units(ntfs) <= 32, "an NTFS label fits 32 UTF-16 units");
    if (Utf16Units(typed) <= 32) Require(ntfs == typed, "a label that fits is kept whole");
    if (ntfs.size() < typed.size()) {
        const uint32_t next = static_cast<uint32_t>(typed[ntfs.size()]);
        const bool pairCut = !ntfs.empty() && static_cast<uint32_t>(ntfs.back()) >= 0xD800 &&
                             static_cast<uint32_t>(ntfs.back()) < 0xDC00 && next >= 0xDC00 &&
                             next < 0xE000;
        Require(!pairCut, "a cut never leaves half a UTF-16 pair");
        Require(
            Utf16Units(ntfs) + (next > 0xFFFF ? 2 : 1) > 32 || (next >= 0xD800 && next < 0xDC00),
            "a label is only cut where it no longer fits");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const wchar_t letter = static_cast<wchar_t>(input.ConsumeIntegralInRange<int>(0, 25) + L'A');
    const bool lowerCase = input.ConsumeBool();
    const bool ntfs = input.ConsumeBool();
    const std::wstring label = ConsumeWide(input, 120);
    const std::string bytes = input.ConsumeRandomLengthString(200);
    const std::wstring any = ConsumeWide(input);

    // Whatever the line, a valid reading is exactly one of the four lines, device and all.
    const DiskCommand parsed = ParseDiskParameters(any);
    if (parsed.valid) {
        Require(parsed.driveLetter >= L'A' && parsed.driveLetter <= L'Z', "the drive is a letter");
        std::wstring expected = any;
        if (expected[8] >= L'a' && expected[8] <= L'z') expected[8] = expected[8] - L'a' + L'A';
        Require(
            std::wstring(L"/device=") + parsed.driveLetter + L": " + SwitchesOf(parsed) == expected,
            "a parsed command line re-serializes to the input");
    }
    const DiskCommand switches = ParseDiskSwitches(any);
    if (switches.valid)
        Require(SwitchesOf(switches) == any, "parsed switches re-serialize to the input");
    ParametersOfCommandLine(any);

    // The line Tarnvik gives the tool carries any label through unchanged.
    const std::wstring fileSystem = ntfs ? L"NTFS" : L"FAT32";
    const std::wstring device =
        std::wstring(L"/device=") + static_cast<wchar_t>(lowerCase ? letter + 32 : letter) + L": ";
    const std::wstring line = ChildCommandLine(L"C:\\Users\\Me\\AppData\\Local\\Temp\\Bootice.exe",
                                               device + FormatSwitches(fileSystem, label));
    const DiskCommand command = ParseDiskParameters(ParametersOfCommandLine(line));
    Require(command.valid && command.action == DiskAction::kFormat &&
                command.driveLetter == letter && command.fileSystem == fileSystem &&
                command.label == label,
            "a format line reads back with its drive, file system and label");
    CheckLabels(label);

    // The Linux build reads its switches as UTF-8.
    const std::wstring wide = WideFromUtf8(bytes);
    for (wchar_t c : wide)
        Require(ScalarValue(static_cast<uint32_t>(c)), "decoding gives characters");
    if (WellFormedUtf8(bytes))
        Require(Utf8FromWide(wide) == bytes, "well-formed UTF-8 round-trips");
    const std::string encoded = Utf8FromWide(label);
    Require(WellFormedUtf8(encoded), "encoding gives well-formed UTF-8");
    bool scalar = true;
    for (wchar_t c : label) scalar = scalar && ScalarValue(static_cast<uint32_t>(c));
    if (scalar) Require(WideFromUtf8(encoded) == label, "characters round-trip through UTF-8");
    const DiskCommand posix =
        ParseDiskSwitches(WideFromUtf8(Utf8FromWide(FormatSwitches(fileSystem, label))));
    Require(posix.valid, "a format line is valid whatever the label");
    if (scalar) Require(posix.label == label, "the Linux build reads the label back");
    return 0;
}

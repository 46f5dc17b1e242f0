// The program's own command line, the command lines it gives its tools, and the disk tool's
// reading of them in both builds, with the labels it takes from them.
#include "app/command_line.h"
#include "disk/disk_command.h"
#include "disk/fat_label.h"
#include "tests/fuzz/fuzz_support.h"
#include "text/path_text.h"
#include "text/utf8_text.h"
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

size_t Utf16Units(const std::wstring& text) {
    size_t units = 0;
    for (wchar_t c : text) units += static_cast<uint32_t>(c) > 0xFFFF ? 2 : 1;
    return units;
}

std::wstring Quoted(const std::wstring& part) {
    return L"\"" + part + L"\"";
}

void CheckSplit(const std::wstring& line) {
    const std::vector<std::wstring> parts = SplitCommandLine(line);
    std::wstring requoted;
    for (size_t i = 0; i < parts.size(); ++i) {
        Require(parts[i].find(L'"') == std::wstring::npos, "a split part keeps no quote");
        if (line.find(L'"') == std::wstring::npos) {
            Require(!parts[i].empty() && parts[i].find_first_of(L" \t") == std::wstring::npos,
                    "without quotes, parts are non-empty and hold no blank");
        }
        requoted += (i ? L" " : L"") + Quoted(parts[i]);
    }
    Require(SplitCommandLine(requoted) == parts, "each part quoted and joined splits the same");
}

void CheckChildLine(const std::wstring& name, const std::wstring& parameters, bool preQuoted) {
    // A Windows path cannot hold a quote; the program may come already quoted.
    if (name.find(L'"') != std::wstring::npos) return;
    const std::wstring program = preQuoted ? Quoted(name) : name;
    const std::wstring line = ChildCommandLine(program, parameters);
    const std::vector<std::wstring> parts = SplitCommandLine(line);
    Require(!parts.empty() && parts[0] == name, "the child's first argument is its program");

    size_t blanks = 0;
    while (blanks < parameters.size() &&
           (parameters[blanks] == L' ' || parameters[blanks] == L'\t'))
        ++blanks;
    Require(ParametersOfCommandLine(line) == parameters.substr(blanks),
            "the disk tool reads back the parameters it was given");

    const std::wstring folder = ShellFolderFor(name, L"");
    Require(StartsWith(name, folder), "the start folder is a prefix of the program");
    Require(folder.empty() || folder.back() == L'\\', "the start folder ends in a backslash");
    Require(name.find(L'\\', folder.size()) == std::wstring::npos,
            "the start folder reaches the last backslash");
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
    const bool preQuoted = input.ConsumeBool();
    const int64_t fileSize = input.ConsumeIntegral<int64_t>();

    CheckSplit(any);
    CheckChildLine(label, any, preQuoted);
    if (ClassifyArgument(label, fileSize) == ArgumentKind::IsoImage) {
        Require(fileSize >= 1, "an image is a file with bytes");
        const std::wstring field = IsoFieldText(label, fileSize);
        Require(StartsWith(field, FileNamePart(label) + L"  (") && field.back() == L')',
                "the image field shows the file's name and size");
    }

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

    // The line Tarnvik gives the tool carries any label through unchanged (and through its
    // command line, as CheckChildLine finds of any parameters).
    const std::wstring fileSystem = ntfs ? L"NTFS" : L"FAT32";
    const std::wstring device =
        std::wstring(L"/device=") + static_cast<wchar_t>(lowerCase ? letter + 32 : letter) + L": ";
    const DiskCommand command = ParseDiskParameters(device + FormatSwitches(fileSystem, label));
    Require(command.valid && command.action == DiskAction::kFormat &&
                command.driveLetter == letter && command.fileSystem == fileSystem &&
                command.label == label,
            "a format line reads back with its drive, file system and label");
    CheckLabels(label);

    // The Linux build reads its switches as UTF-8. Malformed bytes become U+FFFD; what decodes
    // without one encodes back to the same bytes, so nothing overlong or past U+10FFFF passes.
    const std::wstring wide = WideFromUtf8(bytes);
    for (wchar_t c : wide)
        Require(ScalarValue(static_cast<uint32_t>(c)), "decoding gives characters");
    if (wide.find(L'\uFFFD') == std::wstring::npos)
        Require(Utf8FromWide(wide) == bytes, "what decodes cleanly round-trips");
    bool scalar = true;
    for (wchar_t c : label) scalar = scalar && ScalarValue(static_cast<uint32_t>(c));
    const DiskCommand posix =
        ParseDiskSwitches(WideFromUtf8(Utf8FromWide(FormatSwitches(fileSystem, label))));
    Require(posix.valid, "a format line is valid whatever the label");
    if (scalar) Require(posix.label == label, "characters round-trip through UTF-8 into a label");
    return 0;
}

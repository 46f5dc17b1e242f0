#include "disk/disk_command.h"

namespace {

const std::wstring kFormatStart = L"/partitions /repartition /activate /usb-hdd /fstype=";
const std::wstring kLabelSwitch = L" /vollabel=";
const std::wstring kQuiet = L" /quiet";

bool StartsWith(const std::wstring& text, const std::wstring& start) {
    return text.compare(0, start.size(), start) == 0;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

DiskCommand Valid(DiskAction action) {
    DiskCommand command;
    command.valid = true;
    command.action = action;
    return command;
}

}  // namespace

DiskCommand ParseDiskSwitches(const std::wstring& switches) {
    if (switches == L"/mbr /install /type=nt60 /quiet") return Valid(DiskAction::kMbr);
    if (switches == L"/pbr /install /type=bootmgr /quiet") return Valid(DiskAction::kPbrBootmgr);
    if (switches == L"/pbr /install /type=grub4dos /pbr-disable-floppy /quiet")
        return Valid(DiskAction::kPbrGrub4Dos);
    if (!StartsWith(switches, kFormatStart) || !EndsWith(switches, kQuiet)) return {};
    // The label runs from "/vollabel=" to the final " /quiet" and may itself hold blanks or
    // switch-like text, so the file system is whatever stands before the first label switch.
    const std::wstring choice =
        switches.substr(kFormatStart.size(), switches.size() - kFormatStart.size() - kQuiet.size());
    const size_t label = choice.find(kLabelSwitch);
    if (label == std::wstring::npos) return {};
    const std::wstring fileSystem = choice.substr(0, label);
    if (fileSystem != L"FAT32" && fileSystem != L"NTFS") return {};
    DiskCommand command = Valid(DiskAction::kFormat);
    command.fileSystem = fileSystem;
    command.label = choice.substr(label + kLabelSwitch.size());
    return command;
}

DiskCommand ParseDiskParameters(const std::wstring& parameters) {
    const std::wstring device = L"/device=";
    if (!StartsWith(parameters, device) || parameters.size() < device.size() + 3) return {};
    wchar_t letter = parameters[device.size()];
    if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
    if (letter < L'A' || letter > L'Z' || parameters[device.size() + 1] != L':' ||
        parameters[device.size() + 2] != L' ') {
        return {};
    }
    DiskCommand command = ParseDiskSwitches(parameters.substr(device.size() + 3));
    if (command.valid) command.driveLetter = letter;
    return command;
}

std::wstring ParametersOfCommandLine(const std::wstring& commandLine) {
    size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        const size_t close = commandLine.find(L'"', 1);
        at = close == std::wstring::npos ? commandLine.size() : close + 1;
    } else {
        while (at < commandLine.size() && commandLine[at] != L' ' && commandLine[at] != L'\t') ++at;
    }
    while (at < commandLine.size() && (commandLine[at] == L' ' || commandLine[at] == L'\t')) ++at;
    return commandLine.substr(at);
}

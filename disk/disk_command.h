#pragma once
#include <string>

// What one run of the disk tool is asked to do.
enum class DiskAction { kFormat, kMbr, kPbrBootmgr, kPbrGrub4Dos };

struct DiskCommand {
    bool valid = false;
    DiskAction action = DiskAction::kFormat;
    wchar_t driveLetter = 0;  // upper case; 0 when the line named no device
    std::wstring fileSystem;  // "FAT32" or "NTFS" for kFormat
    std::wstring label;       // as typed, for kFormat; may hold blanks or be empty
};

// The switches after the device: exactly one of the four lines BOOTICE answers, for example
// "/partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=My Stick /quiet".
DiskCommand ParseDiskSwitches(const std::wstring& switches);
// The whole parameter text of the Windows build: "/device=E: " followed by the switches.
DiskCommand ParseDiskParameters(const std::wstring& parameters);
// The parameter text of a Windows command line: what follows the program's own path and blanks.
std::wstring ParametersOfCommandLine(const std::wstring& commandLine);

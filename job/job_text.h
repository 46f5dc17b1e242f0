#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The choices a job runs with, as the worker holds them.
struct JobChoices {
    std::wstring isoPath;
    std::wstring targetDrive;  // "E:\"
    std::wstring fileSystem;   // "FAT32" or "NTFS"
    std::wstring volumeLabel;
    bool grub4Dos = false;
    bool addFiles = false;
};

// The log lines that open a job, from the empty line to the empty line.
std::vector<std::wstring> JobHeaderLines(const JobChoices& job, const std::wstring& timeStamp,
                                         int64_t isoSize);

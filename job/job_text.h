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

// BOOTICE's parameters for each of its runs; the drive is named by letter and colon ("E:").
// The label goes in as typed, without quotes (the Copy action refuses "/" and '"' in it).
std::wstring BooticeFormatParameters(const std::wstring& driveLetter,
                                     const std::wstring& fileSystem,
                                     const std::wstring& volumeLabel);
std::wstring BooticeMbrParameters(const std::wstring& driveLetter);
std::wstring BooticePbrParameters(const std::wstring& driveLetter);
std::wstring BooticeGrub4DosParameters(const std::wstring& driveLetter);

// How one run of the disk tool ended: a tool that fails its work says so only by its exit code.
struct DiskToolRun {
    bool started = false;  // false when no process could be started and waited for
    uint32_t exitCode = 0;
    bool Succeeded() const { return started && exitCode == 0; }
};

// The log line of a failed disk-tool run: the step's error text, the exit code (or that the tool
// could not be started), and the duration text after two blanks and a hyphen.
std::wstring DiskToolFailureLine(const std::wstring& errorText, const DiskToolRun& run,
                                 const std::wstring& duration);

// 7-Zip's parameters: extract the whole image, answering yes, into the drive root; with
// withoutWim, all of it but sources\install.wim at the image's root, which the job splits. The
// archiver takes each double quote as a plain delimiter, so -o"E:\" means the folder E:\.
std::wstring SevenZipParameters(const std::wstring& isoPath, const std::wstring& targetDrive,
                                bool withoutWim = false);
// 7-Zip's parameters that stream one file of the image to its standard output.
std::wstring SevenZipStreamParameters(const std::wstring& isoPath, const std::wstring& path);

// The error text of an installer's image that cannot be split onto a FAT32 stick, with the
// reason (a refusal text); the stick has not been touched yet.
std::wstring WimRefusedText(const std::wstring& reason);

// 7-Zip's exit codes from 2 on: fatal error, command-line error, out of memory, stopped; 1 is a
// warning, which still did the work.
constexpr uint32_t kSevenZipFirstFailingExitCode = 2;

#include "job/job_text.h"

#include "job/image_listing.h"
#include "text/byte_size.h"
#include "text/path_text.h"

std::vector<std::wstring> JobHeaderLines(const JobChoices& job, const std::wstring& timeStamp,
                                         int64_t isoSize) {
    return {
        L"",
        L"**************************************",
        L"Copy ISO To USB Drive  - " + timeStamp,
        L"USB Drive: " + job.targetDrive,
        L"ISO File: " + job.isoPath,
        L"ISO File Name: " + FileNamePart(job.isoPath) + L" (" + FormatByteSize(isoSize) + L")",
        L"File System: " + job.fileSystem,
        L"Volume Label: " + job.volumeLabel,
        job.grub4Dos ? L"Grub4Dos (if detected) selected" : L"Boot Manager selected",
        job.addFiles ? L"Add Files to USB root selected" : L"Add Files to USB root Not selected",
        L"",
    };
}

std::wstring BooticeFormatParameters(const std::wstring& driveLetter,
                                     const std::wstring& fileSystem,
                                     const std::wstring& volumeLabel) {
    return L"/device=" + driveLetter + L" /partitions /repartition /activate /usb-hdd /fstype=" +
           fileSystem + L" /vollabel=" + volumeLabel + L" /quiet";
}

std::wstring BooticeMbrParameters(const std::wstring& driveLetter) {
    return L"/device=" + driveLetter + L" /mbr /install /type=nt60 /quiet";
}

std::wstring BooticePbrParameters(const std::wstring& driveLetter) {
    return L"/device=" + driveLetter + L" /pbr /install /type=bootmgr /quiet";
}

std::wstring BooticeGrub4DosParameters(const std::wstring& driveLetter) {
    return L"/device=" + driveLetter + L" /pbr /install /type=grub4dos /pbr-disable-floppy /quiet";
}

std::wstring DiskToolFailureLine(const std::wstring& errorText, const DiskToolRun& run,
                                 const std::wstring& duration) {
    const std::wstring how = run.started ? L"exit code " + std::to_wstring(run.exitCode)
                                         : L"the disk tool could not be started";
    return errorText + L" (" + how + L")  - " + duration;
}

std::wstring SevenZipParameters(const std::wstring& isoPath, const std::wstring& targetDrive,
                                bool withoutWim) {
    // Without a leading backslash and without -xr, the exclusion matches the root's file alone,
    // in any letter case.
    return L"x -y \"" + isoPath + L"\" -o\"" + targetDrive + L"\"" +
           (withoutWim ? L" -x!" + std::wstring(kInstallWimPath) : L"");
}

std::wstring SevenZipStreamParameters(const std::wstring& isoPath, const std::wstring& path) {
    return L"x -so -- \"" + isoPath + L"\" \"" + path + L"\"";
}

std::wstring WimRefusedText(const std::wstring& reason) {
    return std::wstring(kInstallWimPath) + L" cannot be split for FAT32: " + reason +
           L". NTFS holds it whole; the USB drive was not changed.";
}

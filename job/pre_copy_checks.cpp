#include "job/pre_copy_checks.h"

#include <algorithm>

#include "text/byte_size.h"
#include "text/path_text.h"

namespace {

std::wstring LastFour(const std::wstring& path) {
    return AsciiLower(path.size() <= 4 ? path : path.substr(path.size() - 4));
}

}  // namespace

bool HasIsoEnding(const std::wstring& isoPath) {
    return LastFour(isoPath) == L".iso";
}

std::wstring ImageChoiceMessage(const std::wstring& isoPath) {
    return L"You must select an ISO image. " + LastFour(isoPath);
}

bool ImageFits(int64_t imageBytes, int64_t driveTotalBytes) {
    return imageBytes <= driveTotalBytes;
}

bool ImageOnDrive(const std::wstring& fullImagePath, const std::wstring& driveRoot) {
    if (fullImagePath.size() < 2 || driveRoot.size() < 2 || fullImagePath[1] != L':') return false;
    return AsciiLower(fullImagePath.substr(0, 2)) == AsciiLower(driveRoot.substr(0, 2));
}

bool ImageOnDrivesDisk(const std::vector<uint32_t>& imageDisks,
                       const std::vector<uint32_t>& driveDisks) {
    return std::any_of(imageDisks.begin(), imageDisks.end(), [&](uint32_t disk) {
        return std::find(driveDisks.begin(), driveDisks.end(), disk) != driveDisks.end();
    });
}

std::wstring FilesTooLargeMessage(int64_t fileBytes, int64_t driveTotalBytes) {
    return L"The files of the selected ISO image take " + FormatByteSize(fileBytes) +
           L", more than the USB drive's size of " + FormatByteSize(driveTotalBytes) +
           L".\r\nSelect another ISO image Or another USB stick.";
}

std::wstring Fat32FileTooLargeMessage(const std::wstring& path, int64_t size) {
    return L"The selected ISO image holds the file " + path + L" of " + FormatByteSize(size) +
           L" (" + std::to_wstring(size) +
           L" bytes).\r\nFAT32 cannot hold a file of 4 GB or more; NTFS can. Choose NTFS, or "
           L"another ISO image.";
}

#include <windows.h>

#include "job/pre_copy_checks_win32.h"

#include "drives/drive_scan_win32.h"
#include "drives/volume_disks.h"
#include "job/pre_copy_checks.h"
#include "tools/unique_handle_win32.h"

namespace {

// The image's size from a directory listing; false when no file or folder of that path exists.
bool FindImage(const std::wstring& isoPath, int64_t& size) {
    WIN32_FIND_DATAW found;
    if (!UniqueFindHandle(FindFirstFileW(isoPath.c_str(), &found))) return false;
    size = (static_cast<int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    return true;
}

std::wstring FullPath(const std::wstring& path) {
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    return length > 0 && length < full.size() ? full.substr(0, length) : path;
}

int Refuse(const std::wstring& message) {
    ShowCheckMessage(message);
    return 0;
}

}  // namespace

void ShowCheckMessage(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), L"Tarnvik", MB_OK | MB_ICONWARNING | MB_TASKMODAL);
}

int CheckBeforeCopy(const std::wstring& targetDrive, const std::wstring& isoPath) {
    if (targetDrive.empty()) return Refuse(kDriveGoneMessage);
    const UINT type = GetDriveTypeW(targetDrive.c_str());
    // Since the last refresh the letter may have come to name a disk that is not on USB.
    if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR || !IsUsbVolume(targetDrive)) {
        return Refuse(kDriveGoneMessage);
    }
    if (!HasIsoEnding(isoPath)) return Refuse(ImageChoiceMessage(isoPath));
    int64_t imageSize = 0;
    if (!FindImage(isoPath, imageSize)) return Refuse(kImageGoneMessage);
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    GetDiskFreeSpaceExW(targetDrive.c_str(), &freeToCaller, &total, &totalFree);
    if (!ImageFits(imageSize, static_cast<int64_t>(total.QuadPart)))
        return Refuse(kImageTooLargeMessage);
    // Formatting the drive would delete the image the job is about to read.
    const std::wstring fullImagePath = FullPath(isoPath);
    if (ImageOnDrive(fullImagePath, targetDrive)) return Refuse(kImageOnTargetMessage);
    // The repartition wipes every volume of the drive's disk, a second partition too.
    std::vector<uint32_t> imageDisks, driveDisks;
    DisksOfPath(fullImagePath, imageDisks);
    DisksOfPath(targetDrive, driveDisks);
    if (ImageOnDrivesDisk(imageDisks, driveDisks)) return Refuse(kImageOnTargetMessage);
    return 1;
}

#pragma once
#include <cstdint>
#include <string>
#include <vector>

inline constexpr wchar_t kDriveGoneMessage[] =
    L"The selected drive is no longer available.\r\n Use the Refresh button.";
inline constexpr wchar_t kImageGoneMessage[] =
    L"The selected ISO image is no longer available.\r\n Select an ISO image.";
inline constexpr wchar_t kImageTooLargeMessage[] =
    L"The selected ISO image is larger than the USB drive size.\r\nSelect another ISO image Or "
    L"another USB stick.";
inline constexpr wchar_t kImageOnTargetMessage[] =
    L"The selected ISO image is on the USB drive that will be formatted.\r\nCopy the ISO image to "
    L"another drive first.";
inline constexpr wchar_t kUnreadableImageMessage[] =
    L"The selected ISO image cannot be read: it is damaged, incomplete or not an ISO image.\r\n"
    L"Nothing on the USB drive has been touched.";

// The image's files, once extracted, need more than the drive's whole size.
std::wstring FilesTooLargeMessage(int64_t fileBytes, int64_t driveTotalBytes);

// An image file FAT32 cannot hold: its path in the image and its size, and the way out.
std::wstring Fat32FileTooLargeMessage(const std::wstring& path, int64_t size);

// Check 2: the last four characters of the path, lower-cased, must be ".iso".
bool HasIsoEnding(const std::wstring& isoPath);
// "You must select an ISO image. " and those four characters.
std::wstring ImageChoiceMessage(const std::wstring& isoPath);
// Check 4: an image exactly as large as the drive still fits.
bool ImageFits(int64_t imageBytes, int64_t driveTotalBytes);
// Whether the image (a full path) lies on the drive root about to be formatted.
bool ImageOnDrive(const std::wstring& fullImagePath, const std::wstring& driveRoot);
// Whether the image's volume and the drive share a physical disk (given as the disk numbers of
// each one's extents): the repartition wipes every volume of the drive's disk. Unknown disks
// (empty lists) share nothing.
bool ImageOnDrivesDisk(const std::vector<uint32_t>& imageDisks,
                       const std::vector<uint32_t>& driveDisks);

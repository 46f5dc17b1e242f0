#pragma once
#include <string>

#include "job/image_listing.h"

// Lists the image with the 7-Zip console in the tool folder; false when it could not be listed
// (not an image, truncated, damaged) or the archiver did not end within a minute.
[[nodiscard]] bool ListImage(const std::wstring& toolFolder, const std::wstring& isoPath,
                             ImageListing& listing);

// Before the format warning: the image must be readable, its files must not need more than the
// drive's whole size, and for FAT32 it must hold no file of 4 GiB or more. True to go on with
// the listing filled in; false after a message box saying why not. Runs on the user-interface
// thread with the wait cursor shown.
[[nodiscard]] bool CheckImageBeforeFormat(const std::wstring& isoPath,
                                          const std::wstring& targetDrive,
                                          const std::wstring& fileSystem, ImageListing& listing);

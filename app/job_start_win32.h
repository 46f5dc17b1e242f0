#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "job/image_listing.h"

// Divides the progress bar, starts the taskbar progress and the worker with what it needs of the
// process-wide state. False when no worker thread could be started.
[[nodiscard]] bool LaunchJob(const std::wstring& targetDrive, const std::wstring& isoPath,
                             const std::wstring& fileSystem, const std::wstring& volumeLabel,
                             int8_t grub4Dos, int8_t addFiles, const ImageListing& listing);

// The worker's reports, shown in the window's StatusText and JobProgressBar and on the taskbar.
void ProgressCallback(HWND window, const std::wstring& step, const std::wstring& text,
                      int64_t total, int64_t done);

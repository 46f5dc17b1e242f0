#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "job/image_listing.h"

class RunLog;

// The worker's only channel to the window: step name, status text, total and done.
using ProgressFunction = void (*)(const std::wstring& step, const std::wstring& text, int64_t total,
                                  int64_t done);

// What the user-interface thread hands to the worker; written before the thread starts.
struct JobSettings {
    std::wstring IsoPath;
    std::wstring TargetDrive;
    std::wstring FileSystem;
    std::wstring VolumeLabel;
    int8_t Grub4DosMode = 0;
    int8_t AddFiles = 0;
    RunLog* LogFile = nullptr;
    int32_t CopyBufferSize = 4096;
    int32_t DoneEvent = 0;
    ProgressFunction Progress = nullptr;
    // The image as the check before the format listed it; the read-back goes by it.
    ImageListing Listing;
};

// Divides the progress bar, starts the taskbar progress and the worker. False when no worker
// thread could be started.
bool LaunchJob(const std::wstring& targetDrive, const std::wstring& isoPath,
               const std::wstring& fileSystem, const std::wstring& volumeLabel, int8_t grub4Dos,
               int8_t addFiles, const ImageListing& listing);

// Fills JobSettings and starts WorkerThread with it; the thread handle, or null.
HANDLE StartWorker(const std::wstring& targetDrive, const std::wstring& isoPath,
                   const std::wstring& fileSystem, const std::wstring& volumeLabel, int8_t grub4Dos,
                   int8_t addFiles, const ImageListing& listing, RunLog* logFile,
                   int32_t doneEvent, ProgressFunction progress);

// The worker's reports, shown in StatusText, JobProgressBar and on the taskbar.
void ProgressCallback(const std::wstring& step, const std::wstring& text, int64_t total,
                      int64_t done);

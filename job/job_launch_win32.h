#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "job/image_listing.h"
#include "tools/unique_handle_win32.h"

class RunLog;

// The number of the event that ends every job.
constexpr int kJobFinishedEvent = 65536;

// The worker's channel to the window: step name, status text, total and done, for that window.
using ProgressFunction = void (*)(HWND window, const std::wstring& step, const std::wstring& text,
                                  int64_t total, int64_t done);
// How the worker tells the user-interface thread that the job has ended (DoneEvent).
using DoneFunction = void (*)(int eventNumber);

// What the user-interface thread hands to the worker, captured when the job is launched; the
// worker touches nothing of the user-interface thread's but what is here.
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
    DoneFunction Done = nullptr;
    // Borrowed: the launcher owns these for as long as the process runs.
    HWND Window = nullptr;
    HANDLE CancelSignal = nullptr;  // signalled when the user asks the job to stop
    HANDLE JobLock = nullptr;       // held by the worker for the whole job
    // The folder the job's tools run from, ending in a backslash (empty when none could be made);
    // the launcher owns it and removes it when the job has ended.
    std::wstring ToolFolder;
    // The image as the check before the format listed it; the read-back goes by it.
    ImageListing Listing;
};

// Starts WorkerThread, which takes the settings over; the thread's handle, or none.
UniqueHandle StartWorker(JobSettings settings);

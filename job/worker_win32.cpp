#include <windows.h>

#include "job/worker_win32.h"

#include <memory>

#include "job/job_worker_win32.h"
#include "job/wim_split_limits.h"
#include "text/path_text.h"
#include "tools/payload_win32.h"
#include "tools/folders.h"
#include "tools/path_size.h"
#include "tools/tool_folder_win32.h"

unsigned __stdcall WorkerThread(void* settings) {
    Job job;
    {
        const std::unique_ptr<JobSettings> handedOver(static_cast<JobSettings*>(settings));
        job.settings = std::move(*handedOver);
    }
    job.choices = {job.settings.IsoPath,           job.settings.TargetDrive,
                   job.settings.FileSystem,        job.settings.VolumeLabel,
                   job.settings.Grub4DosMode != 0, job.settings.AddFiles != 0};
    job.driveLetter = job.settings.TargetDrive.substr(0, 2);
    job.isoName = FileNamePart(job.settings.IsoPath);
    job.imagePath = FullPath(job.settings.IsoPath);
    job.isoSize = PathSize(job.settings.IsoPath);
    // Without a tool folder the paths stay empty, and each tool's installation fails.
    if (!job.settings.ToolFolder.empty()) {
        job.booticePath = job.settings.ToolFolder + kBooticeFileName;
        job.sevenZipPath = job.settings.ToolFolder + kSevenZipFileName;
        job.sevenZipLibPath = job.settings.ToolFolder + kSevenZipLibFileName;
    }

    if (const ImageEntry* wim = WimToSplit(job.settings.Listing, job.choices.fileSystem,
                                           CurrentWimSplitLimits().largestWhole)) {
        job.wimPath = wim->path;
        job.wimSize = wim->size;
    }

    WaitForSingleObject(job.settings.JobLock, INFINITE);
    for (const std::wstring& line :
         JobHeaderLines(job.choices, FormatTimeStamp(), PathSize(job.choices.isoPath))) {
        job.Log(line);
    }
    if (RunWimCheck(job) && RunFormatAndBootRecords(job) && RunExtraction(job) &&
        RunWimSplit(job) && RunAddFiles(job) && RunVerification(job)) {
        RunGrub4DosAndFinish(job);
    }
    return 0;
}

#include "job/job_launch_win32.h"

#include <process.h>

#include <memory>
#include <new>
#include <utility>

#include "job/worker_win32.h"

UniqueHandle StartWorker(JobSettings settings) {
    std::unique_ptr<JobSettings> handedOver(new (std::nothrow) JobSettings(std::move(settings)));
    if (!handedOver) return {};
    const uintptr_t thread = _beginthreadex(nullptr, 0, WorkerThread, handedOver.get(), 0, nullptr);
    if (thread == 0) return {};
    // The thread owns them now.
    static_cast<void>(handedOver.release());
    return UniqueHandle(reinterpret_cast<HANDLE>(thread));
}

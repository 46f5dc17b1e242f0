#pragma once
#include <memory>
#include <string>

#include "job/job_worker_win32.h"
#include "job/read_back.h"
#include "job/wim_part_check.h"
#include "job/wim_split_router.h"

// Whether one of the paths (relative to the stick's root, any letter case) is one of the job's
// part files.
bool AnyWimPartAmong(const Job& job, const std::vector<std::wstring>& paths);

// The read-back of the installer's image that the stick holds as parts: the image's bytes, as
// 7-Zip streams them once more, routed into the parts the split wrote and compared with the
// stick's files there; each part's header, blob table and XML compared with what the plan says.
class SplitWimCheck : public ReadBackDiversion {
  public:
    // root: the stick's root, with its backslash.
    SplitWimCheck(const Job& job, const std::wstring& root);
    ~SplitWimCheck() override;

    bool Feed(const uint8_t* data, size_t size) override;
    bool Finish() override;
    // After a failure: what differs (the part's path on the stick, or the image) and how.
    std::wstring What() const;
    std::wstring Detail() const;

  private:
    class PartFiles;
    const Job& job_;
    std::unique_ptr<PartFiles> files_;
    WimPartCheck check_;
    WimSplitRouter router_;
};

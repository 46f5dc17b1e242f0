#include "job/wim_read_back_win32.h"

#include <cwctype>
#include <map>

#include "job/stick_files_win32.h"

// Each part read past the system's cache, as every other file of the read-back; part 1 stays
// open while the others are read, since its metadata comes last in the stream.
class SplitWimCheck::PartFiles : public WimPartFiles {
  public:
    explicit PartFiles(std::wstring folder) : folder_(std::move(folder)) {}

    bool Open(uint16_t part, uint64_t& size) override {
        auto reader = std::make_unique<UnbufferedStickFiles>(folder_);
        int64_t length = 0;
        if (!reader->Open(WimPartFileName(part), length)) return false;
        size = static_cast<uint64_t>(length);
        open_[part] = std::move(reader);
        return true;
    }
    int64_t Read(uint16_t part, const uint8_t*& bytes, size_t count) override {
        const auto found = open_.find(part);
        return found == open_.end() ? -1 : found->second->Read(bytes, count);
    }
    void Close(uint16_t part) override { open_.erase(part); }

  private:
    std::wstring folder_;
    std::map<uint16_t, std::unique_ptr<UnbufferedStickFiles>> open_;
};

namespace {

// The folder of the image, with its backslash: where the parts lie.
std::wstring WimFolder(const std::wstring& wimPath) {
    const size_t slash = wimPath.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : wimPath.substr(0, slash + 1);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towupper(static_cast<wint_t>(a[i])) != std::towupper(static_cast<wint_t>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

bool AnyWimPartAmong(const Job& job, const std::vector<std::wstring>& paths) {
    for (const WimSplitPart& part : job.wimPlan.parts) {
        const std::wstring partPath = WimFolder(job.wimPath) + WimPartFileName(part.number);
        for (const std::wstring& path : paths) {
            if (SamePath(path, partPath)) return true;
        }
    }
    return false;
}

SplitWimCheck::SplitWimCheck(const Job& job, const std::wstring& root)
    : job_(job),
      files_(std::make_unique<PartFiles>(root + WimFolder(job.wimPath))),
      check_(*files_),
      router_(job.wimPlan, job.wimFingerprint, check_) {}

SplitWimCheck::~SplitWimCheck() = default;

bool SplitWimCheck::Feed(const uint8_t* data, size_t size) {
    return router_.Feed(data, size);
}

bool SplitWimCheck::Finish() {
    return router_.Finish();
}

std::wstring SplitWimCheck::What() const {
    const WimPartCheckOutcome& part = check_.Outcome();
    if (router_.Outcome().fault == WimRouteFault::SinkFailed && part.part > 0)
        return WimFolder(job_.wimPath) + WimPartFileName(part.part);
    return job_.isoName;
}

std::wstring SplitWimCheck::Detail() const {
    if (router_.Outcome().fault == WimRouteFault::SinkFailed)
        return DescribeWimPartDifference(check_.Outcome());
    return DescribeWimRouteOutcome(router_.Outcome());
}

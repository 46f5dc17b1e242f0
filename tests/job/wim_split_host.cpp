// Runs the three passes of a WIM split on a file, as the job runs them on 7-Zip's output: the
// first over the file in pieces of odd sizes, the plan with the given part limit, the second
// writing install.swm, install2.swm, ... to a folder, the third comparing them with the file.
// Exit codes: 0 split and read back, 2 refused, 1 failed, 3 usage.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "job/wim_part_check.h"
#include "job/wim_scan.h"
#include "job/wim_split_plan.h"
#include "job/wim_split_router.h"

namespace {

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return narrow;
}

std::string PartPath(const std::string& folder, uint16_t part) {
    return folder + "/" + Narrow(WimPartFileName(part));
}

class FileParts final : public WimPartSink {
  public:
    explicit FileParts(std::string folder) : folder_(std::move(folder)) {}
    ~FileParts() override {
        for (auto& [part, file] : open_) std::fclose(file);
    }
    bool Open(uint16_t part, uint64_t) override {
        std::FILE* file = std::fopen(PartPath(folder_, part).c_str(), "wb");
        if (!file) return false;
        open_[part] = file;
        return true;
    }
    bool Write(uint16_t part, const uint8_t* data, size_t size) override {
        return std::fwrite(data, 1, size, open_.at(part)) == size;
    }
    bool Close(uint16_t part) override {
        const bool closed = std::fclose(open_.at(part)) == 0;
        open_.erase(part);
        return closed;
    }

  private:
    std::string folder_;
    std::map<uint16_t, std::FILE*> open_;
};

class FilePartReader final : public WimPartFiles {
  public:
    explicit FilePartReader(std::string folder) : folder_(std::move(folder)) {}
    ~FilePartReader() override {
        for (auto& [part, file] : open_) std::fclose(file);
    }
    bool Open(uint16_t part, uint64_t& size) override {
        std::FILE* file = std::fopen(PartPath(folder_, part).c_str(), "rb");
        if (!file) return false;
        open_[part] = file;
        if (std::fseek(file, 0, SEEK_END) != 0) return false;
        size = static_cast<uint64_t>(std::ftell(file));
        return std::fseek(file, 0, SEEK_SET) == 0;
    }
    int64_t Read(uint16_t part, const uint8_t*& bytes, size_t count) override {
        buffer_.resize(std::min<size_t>(count, 1 << 20));
        const size_t read = std::fread(buffer_.data(), 1, buffer_.size(), open_.at(part));
        bytes = buffer_.data();
        return read == 0 && std::ferror(open_.at(part)) ? -1 : static_cast<int64_t>(read);
    }
    void Close(uint16_t part) override {
        std::fclose(open_.at(part));
        open_.erase(part);
    }

  private:
    std::string folder_;
    std::map<uint16_t, std::FILE*> open_;
    std::vector<uint8_t> buffer_;
};

// Feeds the file in pieces whose sizes cross every boundary at odd places.
template <typename Pass>
bool Stream(const char* path, Pass& pass) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    const size_t pieces[] = {1, 4093, 65537, 8, 1048583, 333, 200000};
    std::vector<uint8_t> buffer(1048583);
    bool going = true;
    for (size_t i = 0; going; ++i) {
        const size_t read = std::fread(buffer.data(), 1, pieces[i % std::size(pieces)], file);
        if (read == 0) break;
        going = pass.Feed(buffer.data(), read);
    }
    std::fclose(file);
    return going && pass.Finish();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: wim_split_host IMAGE PART-LIMIT FOLDER\n");
        return 3;
    }
    const char* image = argv[1];
    const uint64_t limit = std::stoull(argv[2]);
    const std::string folder = argv[3];
    std::FILE* file = std::fopen(image, "rb");
    if (!file) return 1;
    std::fseek(file, 0, SEEK_END);
    const uint64_t size = static_cast<uint64_t>(std::ftell(file));
    std::fclose(file);

    WimScan scan(size);
    const bool scanned = Stream(image, scan);
    WimSplitPlan plan;
    const WimRefusal refusal = scanned ? PlanWimSplit(scan.Source(), limit, plan) : scan.Refusal();
    if (refusal != WimRefusal::None) {
        std::printf("refused: %s\n", Narrow(WimRefusalText(refusal)).c_str());
        return 2;
    }
    if (!scanned) {
        std::fprintf(stderr, "first pass failed\n");
        return 1;
    }
    for (const WimSplitPart& part : plan.parts) {
        std::printf("%s %llu bytes, %zu resources\n", Narrow(WimPartFileName(part.number)).c_str(),
                    static_cast<unsigned long long>(part.size), part.resources.size());
    }

    FileParts parts(folder);
    WimSplitRouter writer(plan, scan.Fingerprint(), parts);
    if (!Stream(image, writer)) {
        std::fprintf(stderr, "split: %s\n",
                     Narrow(DescribeWimRouteOutcome(writer.Outcome())).c_str());
        return 1;
    }
    FilePartReader stick(folder);
    WimPartCheck check(stick);
    WimSplitRouter reader(plan, scan.Fingerprint(), check);
    if (!Stream(image, reader)) {
        std::fprintf(stderr, "read-back: %s; %s\n",
                     Narrow(DescribeWimRouteOutcome(reader.Outcome())).c_str(),
                     Narrow(DescribeWimPartDifference(check.Outcome())).c_str());
        return 1;
    }
    return 0;
}

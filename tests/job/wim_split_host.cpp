// Runs the three passes of a WIM split on a file as the job runs them on 7-Zip's output, in pieces
// that cross every boundary at odd places: the first pass and the plan at the given part limit,
// the second writing install.swm, install2.swm, ... to a folder, the third reading those files
// back against the image. Exit codes: 0 split and read back, 2 refused, 1 failed, 3 usage.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/job/wim_test_image.h"

namespace {

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return narrow;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: wim_split_host IMAGE PART-LIMIT FOLDER\n");
        return 3;
    }
    const std::vector<uint8_t> image = ReadFile(argv[1]);
    const std::vector<size_t> pieces = {1, 4093, 65537, 8, 1048583, 333, 200000};
    WimScan scan(image.size());
    const bool scanned = FeedInPieces(scan, image, pieces);
    WimSplitPlan plan;
    const WimRefusal refusal =
        scanned ? PlanWimSplit(scan.Source(), std::stoull(argv[2]), plan) : scan.Refusal();
    if (refusal != WimRefusal::None) {
        std::printf("refused: %s\n", Narrow(WimRefusalText(refusal)).c_str());
        return 2;
    }
    MemoryParts parts;
    WimSplitRouter writer(plan, scan.Fingerprint(), parts);
    if (!scanned || !FeedInPieces(writer, image, pieces) || parts.outOfTurn) {
        std::fprintf(stderr, "split failed: %s\n",
                     Narrow(DescribeWimRouteOutcome(writer.Outcome())).c_str());
        return 1;
    }
    MemoryPartFiles stick;
    for (const auto& [number, bytes] : parts.files) {
        const std::string path = std::string(argv[3]) + "/" + Narrow(WimPartFileName(number));
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        stick.files[number] = ReadFile(path);
    }
    WimPartCheck check(stick);
    WimSplitRouter reader(plan, scan.Fingerprint(), check);
    if (!FeedInPieces(reader, image, pieces)) {
        std::fprintf(stderr, "read-back: %s\n",
                     Narrow(DescribeWimPartDifference(check.Outcome())).c_str());
        return 1;
    }
    return 0;
}

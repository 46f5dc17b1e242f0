#include <gtest/gtest.h>

#include <functional>

#include "job/wim_part_check.h"
#include "job/wim_split_router.h"
#include "tests/job/wim_test_image.h"

namespace {

// Four parts at 2000 bytes: {0, 5, 6}, {1}, {2}, {3, 4}; a gap between resources 3 and 4.
const std::vector<TestResource> kImage = {{1000},
                                          {1000},
                                          {1000, kWimResourceCompressed},
                                          {1000},
                                          {500, 0, 37},
                                          {300, kWimResourceMetadata | kWimResourceCompressed},
                                          {200, kWimResourceMetadata | kWimResourceCompressed}};
constexpr uint64_t kLimit = 2000;

struct Prepared {
    TestWim wim = MakeTestWim(kImage);
    WimScan scan{wim.bytes.size(), 256};
    WimSplitPlan plan;
    Prepared() {
        EXPECT_TRUE(FeedInPieces(scan, wim.bytes, {1000}));
        EXPECT_EQ(PlanWimSplit(scan.Source(), kLimit, plan), WimRefusal::None);
        EXPECT_EQ(plan.parts.size(), 4u);
    }
};

TEST(WimSplitRouter, PiecesOfAnySizeGiveTheSameParts) {
    const Prepared prepared;
    std::map<uint16_t, std::vector<uint8_t>> first;
    for (const std::vector<size_t>& pieces :
         std::vector<std::vector<size_t>>{{1 << 20}, {1}, {7, 3}, {255, 1, 4099}, {256}}) {
        MemoryParts parts;
        WimSplitRouter router(prepared.plan, prepared.scan.Fingerprint(), parts);
        EXPECT_TRUE(FeedInPieces(router, prepared.wim.bytes, pieces)) << pieces[0];
        EXPECT_EQ(router.BytesDone(), prepared.wim.bytes.size());
        EXPECT_FALSE(parts.outOfTurn);
        EXPECT_EQ(parts.closed.size(), 4u);
        const char* broken = CheckParts(parts.files, prepared.wim.bytes, prepared.plan, kLimit);
        EXPECT_EQ(broken, nullptr) << broken;
        if (first.empty()) first = parts.files;
        EXPECT_EQ(parts.files, first) << pieces[0];
    }
}

TEST(WimSplitRouter, AStreamUnlikeTheFirstPassFails) {
    const Prepared prepared;
    const std::vector<uint8_t>& image = prepared.wim.bytes;
    const uint64_t inPart3 = prepared.wim.offsets[2] + 10;
    const uint64_t inGap = prepared.wim.offsets[4] - 5;
    const struct {
        const char* name;
        int64_t changed;     // a byte flipped, or -1
        int64_t sizeChange;  // bytes cut (negative) or added
        uint16_t failingPart;
        WimRouteFault fault;
        uint64_t at;
    } cases[] = {
        {"a resource's byte", static_cast<int64_t>(inPart3), 0, 0, WimRouteFault::StreamDiffers,
         inPart3 / 256 * 256},
        {"a byte between resources", static_cast<int64_t>(inGap), 0, 0,
         WimRouteFault::StreamDiffers, inGap / 256 * 256},
        {"a byte of the image's XML", static_cast<int64_t>(image.size()) - 3, 0, 0,
         WimRouteFault::StreamDiffers, (image.size() - 3) / 256 * 256},
        {"ends a byte early", -1, -1, 0, WimRouteFault::StreamShort, image.size() - 1},
        {"a byte long", -1, 1, 0, WimRouteFault::StreamLong, image.size()},
        {"part 2 cannot be written", -1, 0, 2, WimRouteFault::SinkFailed, 0},
    };
    for (const auto& row : cases) {
        std::vector<uint8_t> stream = image;
        if (row.changed >= 0) stream[static_cast<size_t>(row.changed)] ^= 0x40;
        stream.resize(static_cast<size_t>(static_cast<int64_t>(stream.size()) + row.sizeChange));
        MemoryParts parts;
        parts.failingPart = row.failingPart;
        WimSplitRouter router(prepared.plan, prepared.scan.Fingerprint(), parts);
        EXPECT_FALSE(FeedInPieces(router, stream, {97})) << row.name;
        EXPECT_EQ(router.Outcome().fault, row.fault) << row.name;
        EXPECT_EQ(router.Outcome().part, row.failingPart) << row.name;
        if (row.fault != WimRouteFault::SinkFailed) {
            EXPECT_EQ(router.Outcome().at, row.at) << row.name;
        }
        EXPECT_FALSE(parts.outOfTurn) << row.name;
    }
    // A part is finished only once the block holding its last byte has matched: part 2 ends in
    // the block where part 3's byte differs.
    std::vector<uint8_t> stream = image;
    stream[inPart3] ^= 0x40;
    MemoryParts parts;
    WimSplitRouter router(prepared.plan, prepared.scan.Fingerprint(), parts);
    EXPECT_FALSE(FeedInPieces(router, stream, {4096}));
    EXPECT_TRUE(parts.closed.empty());
}

// The stick's part files in memory; a read gives at most 5 bytes, as short reads do.
class MemoryPartFiles : public WimPartFiles {
  public:
    std::map<uint16_t, std::vector<uint8_t>> files;
    std::map<uint16_t, size_t> at;
    int opened = 0, closed = 0;

    bool Open(uint16_t part, uint64_t& size) override {
        if (!files.count(part)) return false;
        ++opened;
        at[part] = 0;
        size = files[part].size();
        return true;
    }
    int64_t Read(uint16_t part, const uint8_t*& bytes, size_t count) override {
        const std::vector<uint8_t>& file = files[part];
        const size_t n = std::min({count, size_t{5}, file.size() - at[part]});
        bytes = file.data() + at[part];
        at[part] += n;
        return static_cast<int64_t>(n);
    }
    void Close(uint16_t) override { ++closed; }
};

TEST(WimSplitRouter, ReadBackFindsTheFirstDifference) {
    const Prepared prepared;
    MemoryParts written;
    WimSplitRouter writer(prepared.plan, prepared.scan.Fingerprint(), written);
    ASSERT_TRUE(FeedInPieces(writer, prepared.wim.bytes, {4096}));
    const struct {
        const char* name;
        std::function<void(std::map<uint16_t, std::vector<uint8_t>>&)> edit;
        WimPartDifference difference;
        uint16_t part;
        uint64_t found;
    } cases[] = {
        {"same", [](auto&) {}, WimPartDifference::None, 0, 0},
        {"a byte of part 2's resource", [](auto& f) { f[2][300] ^= 1; }, WimPartDifference::Content,
         2, 300},
        {"a byte of part 4's XML", [](auto& f) { f[4][f[4].size() - 1] ^= 1; },
         WimPartDifference::Content, 4, 1848 - 1},
        {"part 3 missing", [](auto& f) { f.erase(3); }, WimPartDifference::Missing, 3, 0},
        {"part 1 a byte longer", [](auto& f) { f[1].push_back(0); }, WimPartDifference::Size, 1,
         1898 + 1},
    };
    for (const auto& row : cases) {
        MemoryPartFiles stick;
        stick.files = written.files;
        row.edit(stick.files);
        {
            WimPartCheck check(stick);
            WimSplitRouter router(prepared.plan, prepared.scan.Fingerprint(), check);
            const bool same = FeedInPieces(router, prepared.wim.bytes, {333});
            EXPECT_EQ(same, row.difference == WimPartDifference::None) << row.name;
            EXPECT_EQ(check.Outcome().difference, row.difference) << row.name;
            EXPECT_EQ(check.Outcome().part, row.part) << row.name;
            EXPECT_EQ(check.Outcome().found, row.found) << row.name;
            EXPECT_EQ(router.Outcome().part, row.part) << row.name;
        }
        EXPECT_EQ(stick.opened, stick.closed) << row.name;
    }
}

}  // namespace

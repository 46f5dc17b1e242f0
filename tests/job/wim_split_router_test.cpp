#include <gtest/gtest.h>

#include <functional>

#include "tests/job/wim_test_image.h"

namespace {

// Four parts at 2000 bytes: {0, 5, 6}, {1}, {2}, {3, 4}.
constexpr uint8_t kMeta = kWimResourceMetadata | kWimResourceCompressed;
const std::vector<TestResource> kImage = {
    {1000}, {1000}, {1000, kWimResourceCompressed}, {1000}, {500}, {300, kMeta}, {200, kMeta}};
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

// The fuzz target checks the parts of any plan, and a changed byte; these the other failures.
TEST(WimSplitRouter, AStreamOfAnotherLengthOrAPartNotWrittenFails) {
    const Prepared prepared;
    const size_t size = prepared.wim.bytes.size();
    const struct {
        size_t streamSize;
        uint16_t failingPart;
        WimRouteFault fault;
        uint64_t at;
    } cases[] = {
        {size - 1, 0, WimRouteFault::StreamShort, size - 1},
        {size + 1, 0, WimRouteFault::StreamLong, size},
        {size, 2, WimRouteFault::SinkFailed, 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.streamSize);
        std::vector<uint8_t> stream = prepared.wim.bytes;
        stream.resize(row.streamSize);
        MemoryParts parts;
        parts.failingPart = row.failingPart;
        WimSplitRouter router(prepared.plan, prepared.scan.Fingerprint(), parts);
        EXPECT_FALSE(FeedInPieces(router, stream, {97}));
        EXPECT_EQ(router.Outcome().fault, row.fault);
        EXPECT_EQ(router.Outcome().part, row.failingPart);
        if (!row.failingPart) {
            EXPECT_EQ(router.Outcome().at, row.at);
        }
        EXPECT_FALSE(parts.outOfTurn);
    }
}

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

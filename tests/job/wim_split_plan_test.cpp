#include <gtest/gtest.h>

#include <functional>

#include "job/wim_scan.h"
#include "job/wim_split_plan.h"
#include "tests/job/wim_test_image.h"

namespace {

constexpr uint8_t kMeta = kWimResourceMetadata | kWimResourceCompressed;
constexpr uint64_t kRoomy = 1 << 20;

// The first pass and the plan, as the job runs them; size is what the listing claims.
WimRefusal Judge(const std::vector<uint8_t>& bytes, uint64_t size, uint64_t limit,
                 WimSplitPlan& plan) {
    WimScan scan(size);
    if (FeedInPieces(scan, bytes, {4093})) return PlanWimSplit(scan.Source(), limit, plan);
    EXPECT_NE(scan.Refusal(), WimRefusal::None) << "only a refusal ends the first pass early";
    return scan.Refusal();
}

using Edit = std::function<void(TestWim&)>;

void EditHeader(TestWim& wim, const std::function<void(WimHeader&)>& edit) {
    WimHeader header;
    ReadWimHeader(wim.bytes.data(), wim.bytes.size(), header);
    edit(header);
    PutWimHeader(wim.bytes.data(), header);
}

void EditEntry(TestWim& wim, size_t resource, const std::function<void(WimBlobEntry&)>& edit) {
    WimBlobEntry entry = ReadWimBlobEntry(wim.Entry(wim.EntryOf(resource)));
    edit(entry);
    PutWimBlobEntry(wim.Entry(wim.EntryOf(resource)), entry);
}

Edit Header(std::function<void(WimHeader&)> edit) {
    return [edit](TestWim& wim) { EditHeader(wim, edit); };
}

Edit Entry(size_t resource, std::function<void(WimBlobEntry&)> edit) {
    return [resource, edit](TestWim& wim) { EditEntry(wim, resource, edit); };
}

TEST(WimSplitPlan, RefusesWhatItCannotSplitSafely) {
    // A file resource, a compressed one and the image's metadata, in a 40-byte XML.
    const std::vector<TestResource> base = {{1000}, {2000, kWimResourceCompressed}, {300, kMeta}};
    const uint64_t exact = kWimHeaderSize + 2000 + kWimBlobEntrySize + 40;  // for the largest
    const uint64_t large = kWimLargestTable + 50;
    const Edit none = [](TestWim&) {};
    const struct {
        const char* name;
        Edit edit;
        WimRefusal refusal;
        uint64_t limit = kRoomy;
        uint64_t claimed = 0;  // the listing's size, when not the stream's
    } cases[] = {
        {"sound", none, WimRefusal::None},
        {"largest resource exactly fills a part", none, WimRefusal::None, exact},
        {"largest resource a byte over a part", none, WimRefusal::ResourceTooLarge, exact - 1},
        {"limit below a bare part", none, WimRefusal::ResourceTooLarge, 100},
        {"magic", [](TestWim& w) { w.bytes[3] = 'X'; }, WimRefusal::NotWim},
        {"header size", Header([](WimHeader& h) { h.headerSize = 200; }), WimRefusal::NotWim},
        {"shorter than a header", [](TestWim& w) { w.bytes.resize(100); }, WimRefusal::NotWim},
        {"solid version", Header([](WimHeader& h) { h.version = 0xE00; }), WimRefusal::Solid},
        {"other version", Header([](WimHeader& h) { h.version = 0x10900; }),
         WimRefusal::UnknownVersion},
        {"solid entry", Entry(1, [](WimBlobEntry& e) { e.resource.flags |= 0x10; }),
         WimRefusal::Solid},
        {"entry of a solid resource",
         Entry(1, [](WimBlobEntry& e) { e.resource.originalSize = 0x100000000; }),
         WimRefusal::Solid},
        {"spanned", Header([](WimHeader& h) { h.flags |= 0x08; }), WimRefusal::AlreadySplit},
        {"part 2", Header([](WimHeader& h) { h.partNumber = 2; }), WimRefusal::AlreadySplit},
        {"of 2 parts", Header([](WimHeader& h) { h.totalParts = 2; }), WimRefusal::AlreadySplit},
        {"spanned entry", Entry(0, [](WimBlobEntry& e) { e.resource.flags |= 0x08; }),
         WimRefusal::AlreadySplit},
        {"entry in part 2", Entry(0, [](WimBlobEntry& e) { e.partNumber = 2; }),
         WimRefusal::AlreadySplit},
        {"no image", Header([](WimHeader& h) { h.imageCount = 0; }), WimRefusal::NoImage},
        {"an image without metadata", Header([](WimHeader& h) { h.imageCount = 2; }),
         WimRefusal::Damaged},
        {"no metadata", Entry(2, [](WimBlobEntry& e) { e.resource.flags = 0x04; }),
         WimRefusal::Damaged},
        {"compressed blob table", Header([](WimHeader& h) { h.blobTable.flags |= 0x04; }),
         WimRefusal::Damaged},
        {"blob table's sizes differ", Header([](WimHeader& h) { h.blobTable.originalSize += 50; }),
         WimRefusal::Damaged},
        {"blob table not of whole entries",
         Header([](WimHeader& h) { h.blobTable.storedSize = h.blobTable.originalSize = 149; }),
         WimRefusal::Damaged},
        {"blob table past the end", Header([](WimHeader& h) { h.blobTable.offset += 100; }),
         WimRefusal::Damaged},
        // In an image the listing says is 1 GiB; refused as soon as the header has passed.
        {"blob table over 64 MiB",
         Header([=](WimHeader& h) { h.blobTable.storedSize = h.blobTable.originalSize = large; }),
         WimRefusal::Damaged, kRoomy, 1ull << 30},
        {"XML over 64 MiB",
         Header([=](WimHeader& h) { h.xml.storedSize = h.xml.originalSize = large; }),
         WimRefusal::Damaged, kRoomy, 1ull << 30},
        {"XML whose end passes 64 bits",
         Header([](WimHeader& h) { h.xml.offset = UINT64_MAX - 9; }), WimRefusal::Damaged},
        {"XML in the header", Header([](WimHeader& h) { h.xml.offset = 8; }), WimRefusal::Damaged},
        {"XML of odd size",
         Header([](WimHeader& h) { h.xml.storedSize = h.xml.originalSize = 39; }),
         WimRefusal::Damaged},
        {"XML without byte-order mark", [](TestWim& w) { w.bytes[w.xmlOffset] = '<'; },
         WimRefusal::Damaged},
        {"XML over the blob table", Header([](WimHeader& h) { h.xml.offset -= 50; }),
         WimRefusal::Damaged},
        {"XML over an entry",
         [](TestWim& w) {
             const uint64_t at = w.offsets[0];
             w.bytes[at] = 0xFF;
             w.bytes[at + 1] = 0xFE;
             EditHeader(w, [at](WimHeader& h) { h.xml.offset = at; });
         },
         WimRefusal::Damaged},
        {"entry in the header", Entry(0, [](WimBlobEntry& e) { e.resource.offset = 100; }),
         WimRefusal::Damaged},
        {"entries overlap", Entry(1, [](WimBlobEntry& e) { e.resource.offset -= 1; }),
         WimRefusal::Damaged},
        {"entry over the blob table", Entry(2, [](WimBlobEntry& e) { e.resource.offset += 1; }),
         WimRefusal::Damaged},
        {"entry past the end", Entry(2, [](WimBlobEntry& e) { e.resource.offset += 150 + 40 + 1; }),
         WimRefusal::Damaged},
        {"entry whose end passes 64 bits",
         Entry(0, [](WimBlobEntry& e) { e.resource.offset = UINT64_MAX - 500; }),
         WimRefusal::Damaged},
        {"stored entry whose sizes differ",
         Entry(0, [](WimBlobEntry& e) { e.resource.originalSize = 999; }), WimRefusal::Damaged},
        {"empty entry of data", Entry(0, [](WimBlobEntry& e) { e.resource.storedSize = 0; }),
         WimRefusal::Damaged},
    };
    for (const auto& row : cases) {
        TestWim wim = MakeTestWim(base);
        row.edit(wim);
        WimSplitPlan plan;
        const WimRefusal refusal =
            Judge(wim.bytes, row.claimed ? row.claimed : wim.bytes.size(), row.limit, plan);
        EXPECT_EQ(refusal, row.refusal) << row.name;
        EXPECT_EQ(plan.parts.empty(), refusal != WimRefusal::None) << row.name;
    }
}

TEST(WimSplitPlan, RefusesWhatTakesTooManyParts) {
    // Metadata that cannot share part 1, and more resources than part numbers.
    WimSplitPlan plan;
    const TestWim metadata = MakeTestWim({{100, kMeta}, {100, kMeta}});
    EXPECT_EQ(Judge(metadata.bytes, metadata.bytes.size(), 208 + 40 + 150 + 150 - 1, plan),
              WimRefusal::MetadataTooLarge);
    // One resource to a part, part 1 holding the metadata alone.
    const uint64_t limit = 208 + 40 + 51 + 51 - 1;
    std::vector<TestResource> many(65535, {1});
    many.push_back({1, kMeta});
    const TestWim wim = MakeTestWim(many);
    EXPECT_EQ(Judge(wim.bytes, wim.bytes.size(), limit, plan), WimRefusal::TooManyParts);
    many.erase(many.begin());
    const TestWim fewer = MakeTestWim(many);
    EXPECT_EQ(Judge(fewer.bytes, fewer.bytes.size(), limit, plan), WimRefusal::None);
    EXPECT_EQ(plan.parts.size(), 65535u);
}

// Five file resources, then two images' metadata, as wimlib and Windows lay them out.
const std::vector<TestResource> kTwoImages = {
    {1000}, {1000}, {1000, kWimResourceCompressed}, {1000}, {500}, {300, kMeta}, {200, kMeta}};

std::vector<std::vector<uint64_t>> PartsOfResources(const TestWim& wim, const WimSplitPlan& plan) {
    std::vector<std::vector<uint64_t>> parts;
    for (const WimSplitPart& part : plan.parts) {
        parts.emplace_back();
        for (const WimPlacedResource& resource : part.resources) {
            const auto at =
                std::find(wim.offsets.begin(), wim.offsets.end(), resource.sourceOffset);
            parts.back().push_back(static_cast<uint64_t>(at - wim.offsets.begin()));
        }
    }
    return parts;
}

TEST(WimSplitPlan, MetadataGoToPartOneAndTheRestFillThePartsInStreamOrder) {
    const TestWim wim = MakeTestWim(kTwoImages);
    // A bare part takes 248 bytes (header and XML), each resource its size and 50: part 1 holds
    // the metadata (848) and the first resource (1898); 2000 leaves no room for a second.
    const struct {
        uint64_t limit;
        std::vector<std::vector<uint64_t>> parts;
    } cases[] = {
        {2000, {{0, 5, 6}, {1}, {2}, {3, 4}}},
        {248 + 2100, {{0, 5, 6}, {1, 2}, {3, 4}}},        // 1 and 2 exactly fill part 2
        {248 + 2100 - 1, {{0, 5, 6}, {1}, {2}, {3, 4}}},  // one byte short
        {kRoomy, {{0, 1, 2, 3, 4, 5, 6}}},
    };
    for (const auto& row : cases) {
        WimSplitPlan plan;
        ASSERT_EQ(Judge(wim.bytes, wim.bytes.size(), row.limit, plan), WimRefusal::None);
        EXPECT_EQ(PartsOfResources(wim, plan), row.parts) << row.limit;
        for (const WimSplitPart& part : plan.parts) {
            EXPECT_LE(part.size, row.limit);
            uint64_t at = kWimHeaderSize;
            for (const WimPlacedResource& resource : part.resources) {
                EXPECT_EQ(resource.partOffset, at);
                at += resource.size;
            }
            EXPECT_EQ(part.size, at + part.blobTable.size() + 40);
        }
    }
}

uint64_t Le(const uint8_t* at, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
    return value;
}

TEST(WimSplitPlan, PartHeaderAndBlobTableAreThoseWimlibWrites) {
    const TestWim wim = MakeTestWim(kTwoImages);
    WimSplitPlan plan;
    ASSERT_EQ(Judge(wim.bytes, wim.bytes.size(), 2000, plan), WimRefusal::None);
    ASSERT_EQ(plan.parts.size(), 4u);
    const WimSplitPart& part = plan.parts[3];  // resources 3 and 4
    const uint8_t* h = part.header.data();
    EXPECT_TRUE(std::equal(h, h + 0x10, wim.bytes.begin())) << "magic, header size and version";
    EXPECT_EQ(Le(h + 0x10, 4), 0x4008Au) << "the image's flags and spanned";
    EXPECT_TRUE(std::equal(h + 0x14, h + 0x28, wim.bytes.begin() + 0x14)) << "chunk size, GUID";
    EXPECT_EQ(Le(h + 0x28, 2), 4u);
    EXPECT_EQ(Le(h + 0x2A, 2), 4u);
    EXPECT_EQ(Le(h + 0x2C, 4), 2u);
    const uint64_t tableAt = kWimHeaderSize + 1500;
    // Blob table and XML: stored as they are, flagged as metadata (as wimlib does).
    EXPECT_EQ(Le(h + 0x30, 7), 100u);
    EXPECT_EQ(h[0x37], 0x02);
    EXPECT_EQ(Le(h + 0x38, 8), tableAt);
    EXPECT_EQ(Le(h + 0x40, 8), 100u);
    EXPECT_EQ(Le(h + 0x48, 7), 40u);
    EXPECT_EQ(h[0x4F], 0x02);
    EXPECT_EQ(Le(h + 0x50, 8), tableAt + 100);
    EXPECT_EQ(Le(h + 0x58, 8), 40u);
    EXPECT_TRUE(std::all_of(h + 0x60, h + kWimHeaderSize, [](uint8_t b) { return b == 0; }))
        << "no boot metadata, boot index 0 (the image had 1), no integrity table";
    EXPECT_EQ(part.size, tableAt + 100 + 40);

    // The image's entries, with part 4's number and their offsets in it.
    std::vector<uint8_t> expected(wim.Entry(wim.EntryOf(3)), wim.Entry(wim.EntryOf(3)) + 50);
    expected.insert(expected.end(), wim.Entry(wim.EntryOf(4)), wim.Entry(wim.EntryOf(4)) + 50);
    for (uint64_t i = 0; i < 8; ++i) {
        expected[8 + i] = static_cast<uint8_t>(kWimHeaderSize >> (8 * i));
        expected[58 + i] = static_cast<uint8_t>((kWimHeaderSize + 1000) >> (8 * i));
    }
    expected[24] = expected[74] = 4;
    EXPECT_EQ(part.blobTable, expected);
}

TEST(WimSplitPlan, AnEmptyEntryStaysInPartOneWithoutBytes) {
    // wimlib writes no entry for empty data and passes over one it finds. One is kept, taking
    // room in part 1's blob table only, where it falls in stream order.
    TestWim wim = MakeTestWim({{1000}, {0}, {1000}, {300, kMeta}});
    EditEntry(wim, 1, [](WimBlobEntry& e) { e.resource.offset = 0; });
    WimSplitPlan plan;
    ASSERT_EQ(Judge(wim.bytes, wim.bytes.size(), 248 + 350 + 50 + 1050, plan), WimRefusal::None);
    ASSERT_EQ(plan.parts.size(), 2u);
    ASSERT_EQ(plan.parts[0].resources.size(), 3u);
    EXPECT_EQ(plan.parts[0].resources[0].size, 0u);
    EXPECT_EQ(plan.parts[0].resources[0].partOffset, kWimHeaderSize);
    EXPECT_EQ(plan.parts[0].resources[1].sourceOffset, wim.offsets[0]);
    EXPECT_EQ(plan.parts[0].resources[1].partOffset, kWimHeaderSize);
    EXPECT_EQ(plan.parts[1].resources.size(), 1u);
}

}  // namespace

// The fuzz target checks every plan's parts against the image; these pin the refusals, where the
// resources fall and the bytes wimlib writes.
#include <gtest/gtest.h>

#include <functional>

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

// Edits of a made-up image: its header, or the blob-table entry of one of its resources.
Edit Header(std::function<void(WimHeader&)> edit) {
    return [edit](TestWim& wim) {
        WimHeader header;
        ReadWimHeader(wim.bytes.data(), wim.bytes.size(), header);
        edit(header);
        PutWimHeader(wim.bytes.data(), header);
    };
}

Edit Entry(size_t resource, std::function<void(WimBlobEntry&)> edit) {
    return [resource, edit](TestWim& wim) {
        WimBlobEntry entry = ReadWimBlobEntry(wim.Entry(wim.EntryOf(resource)));
        edit(entry);
        PutWimBlobEntry(wim.Entry(wim.EntryOf(resource)), entry);
    };
}

TEST(WimScan, RefusesAsSoonAsTheHeaderHasPassed) {
    TestWim wim = MakeTestWim({{700}, {300, kMeta}});
    Header([](WimHeader& h) { h.version = kWimVersionSolid; })(wim);
    WimScan scan(5ull << 30);
    EXPECT_TRUE(scan.Feed(wim.bytes.data(), kWimHeaderSize - 1));
    EXPECT_FALSE(scan.Feed(wim.bytes.data() + kWimHeaderSize - 1, 1000));
    EXPECT_EQ(scan.Refusal(), WimRefusal::Solid);
    EXPECT_EQ(scan.BytesDone(), kWimHeaderSize) << "the caller stops the archiver here";
}

TEST(WimSplitPlan, RefusesWhatItCannotSplitSafely) {
    // A file resource, a compressed one and the image's metadata, in a 40-byte XML.
    const std::vector<TestResource> base = {{1000}, {2000, kWimResourceCompressed}, {300, kMeta}};
    const uint64_t exact = kWimHeaderSize + 2000 + kWimBlobEntrySize + 40;  // for the largest
    const uint64_t large = kWimLargestTable + 50;
    const Edit none = [](TestWim&) {};
    using H = WimHeader;
    using E = WimBlobEntry;
    constexpr WimRefusal kDamaged = WimRefusal::Damaged, kSplit = WimRefusal::AlreadySplit;
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
        {"magic", [](TestWim& w) { w.bytes[3] = 'X'; }, WimRefusal::NotWim},
        {"header size", Header([](H& h) { h.headerSize = 200; }), WimRefusal::NotWim},
        {"shorter than a header", [](TestWim& w) { w.bytes.resize(100); }, WimRefusal::NotWim},
        {"solid version", Header([](H& h) { h.version = 0xE00; }), WimRefusal::Solid},
        {"other version", Header([](H& h) { h.version = 0x10900; }), WimRefusal::UnknownVersion},
        {"solid entry", Entry(1, [](E& e) { e.resource.flags |= 0x10; }), WimRefusal::Solid},
        {"entry of a solid resource", Entry(1, [](E& e) { e.resource.originalSize = 0x100000000; }),
         WimRefusal::Solid},
        {"spanned", Header([](H& h) { h.flags |= 0x08; }), kSplit},
        {"part 2", Header([](H& h) { h.partNumber = 2; }), kSplit},
        {"of 2 parts", Header([](H& h) { h.totalParts = 2; }), kSplit},
        {"spanned entry", Entry(0, [](E& e) { e.resource.flags |= 0x08; }), kSplit},
        {"entry in part 2", Entry(0, [](E& e) { e.partNumber = 2; }), kSplit},
        {"no image", Header([](H& h) { h.imageCount = 0; }), WimRefusal::NoImage},
        {"no metadata", Entry(2, [](E& e) { e.resource.flags = 0x04; }), kDamaged},
        {"compressed blob table", Header([](H& h) { h.blobTable.flags |= 0x04; }), kDamaged},
        {"blob table's sizes differ", Header([](H& h) { h.blobTable.originalSize += 50; }),
         kDamaged},
        {"blob table not of whole entries",
         Header([](H& h) { h.blobTable.storedSize = h.blobTable.originalSize = 149; }), kDamaged},
        {"blob table past the end", Header([](H& h) { h.blobTable.offset += 100; }), kDamaged},
        // In an image the listing says is 1 GiB; refused as soon as the header has passed.
        {"blob table over 64 MiB",
         Header([=](H& h) { h.blobTable.storedSize = h.blobTable.originalSize = large; }), kDamaged,
         kRoomy, 1ull << 30},
        {"XML over 64 MiB", Header([=](H& h) { h.xml.storedSize = h.xml.originalSize = large; }),
         kDamaged, kRoomy, 1ull << 30},
        {"XML whose end passes 64 bits", Header([](H& h) { h.xml.offset = UINT64_MAX - 9; }),
         kDamaged},
        {"XML in the header", Header([](H& h) { h.xml.offset = 8; }), kDamaged},
        {"XML of odd size", Header([](H& h) { h.xml.storedSize = h.xml.originalSize = 39; }),
         kDamaged},
        {"XML without byte-order mark", [](TestWim& w) { w.bytes[w.xmlOffset] = '<'; }, kDamaged},
        {"XML over the blob table", Header([](H& h) { h.xml.offset -= 50; }), kDamaged},
        {"XML over an entry",
         [](TestWim& w) {
             const uint64_t at = w.offsets[0];
             w.bytes[at] = 0xFF;
             w.bytes[at + 1] = 0xFE;
             Header([at](H& h) { h.xml.offset = at; })(w);
         },
         kDamaged},
        {"entry in the header", Entry(0, [](E& e) { e.resource.offset = 100; }), kDamaged},
        {"entries overlap", Entry(1, [](E& e) { e.resource.offset -= 1; }), kDamaged},
        {"entry over the blob table", Entry(2, [](E& e) { e.resource.offset += 1; }), kDamaged},
        {"entry past the end", Entry(2, [](E& e) { e.resource.offset += 150 + 40 + 1; }), kDamaged},
        {"entry whose end passes 64 bits",
         Entry(0, [](E& e) { e.resource.offset = UINT64_MAX - 500; }), kDamaged},
        {"stored entry whose sizes differ", Entry(0, [](E& e) { e.resource.originalSize = 999; }),
         kDamaged},
        {"empty entry of data", Entry(0, [](E& e) { e.resource.storedSize = 0; }), kDamaged},
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
    }
}

// Little-endian fields of the given widths, at the given offsets.
void Put(std::vector<uint8_t>& bytes, size_t at, uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(WimSplitPlan, PartHeaderAndBlobTableAreThoseWimlibWrites) {
    const TestWim wim = MakeTestWim(kTwoImages);
    WimSplitPlan plan;
    ASSERT_EQ(Judge(wim.bytes, wim.bytes.size(), 2000, plan), WimRefusal::None);
    ASSERT_EQ(plan.parts.size(), 4u);
    const WimSplitPart& part = plan.parts[3];  // resources 3 and 4
    const uint64_t tableAt = kWimHeaderSize + 1500;
    // The image's magic, sizes, version, chunk size, GUID and image count; its flags and spanned;
    // part 4 of 4; blob table and XML stored as they are, flagged as metadata (as wimlib does); no
    // boot metadata, boot index 0 (the image had 1), no integrity table.
    std::vector<uint8_t> header(wim.bytes.begin(), wim.bytes.begin() + kWimHeaderSize);
    Put(header, 0x10, 0x4008A, 4);
    Put(header, 0x28, 4 | 4 << 16, 4);
    Put(header, 0x30, 100 | uint64_t{2} << 56, 8);
    Put(header, 0x38, tableAt, 8);
    Put(header, 0x40, 100, 8);
    Put(header, 0x48, 40 | uint64_t{2} << 56, 8);
    Put(header, 0x50, tableAt + 100, 8);
    Put(header, 0x58, 40, 8);
    std::fill(header.begin() + 0x60, header.end(), 0);
    EXPECT_EQ(std::vector<uint8_t>(part.header.begin(), part.header.end()), header);
    EXPECT_EQ(part.size, tableAt + 100 + 40);

    // The image's entries, with part 4's number and their offsets in it.
    std::vector<uint8_t> table(wim.Entry(wim.EntryOf(3)), wim.Entry(wim.EntryOf(3)) + 50);
    table.insert(table.end(), wim.Entry(wim.EntryOf(4)), wim.Entry(wim.EntryOf(4)) + 50);
    Put(table, 8, kWimHeaderSize, 8);
    Put(table, 58, kWimHeaderSize + 1000, 8);
    table[24] = table[74] = 4;
    EXPECT_EQ(part.blobTable, table);
}

TEST(WimSplitPlan, AnEmptyEntryStaysInPartOneWithoutBytes) {
    // wimlib writes no entry for empty data and passes over one it finds. One is kept, taking
    // room in part 1's blob table only, where it falls in stream order.
    TestWim wim = MakeTestWim({{1000}, {0}, {1000}, {300, kMeta}});
    Entry(1, [](WimBlobEntry& e) { e.resource.offset = 0; })(wim);
    WimSplitPlan plan;
    ASSERT_EQ(Judge(wim.bytes, wim.bytes.size(), 248 + 350 + 50 + 1050, plan), WimRefusal::None);
    ASSERT_EQ(plan.parts.size(), 2u);
    ASSERT_EQ(plan.parts[0].resources.size(), 3u);
    EXPECT_EQ(plan.parts[0].resources[0].size, 0u);
    EXPECT_EQ(plan.parts[0].resources[1].sourceOffset, wim.offsets[0]);
}

}  // namespace

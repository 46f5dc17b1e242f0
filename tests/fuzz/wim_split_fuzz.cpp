// The WIM split over any header, blob table and XML: a made-up image with any fields changed,
// streamed in pieces of any sizes, split at any limit. Parsing stays inside its input; the first
// pass keeps the tables; a plan places every entry once, the metadata in part 1, every part within
// the limit; the routed parts are the plan's, with the image's bytes; a stream unlike the first
// pass never passes.
#include "job/wim_scan.h"
#include "job/wim_split_plan.h"
#include "job/wim_split_router.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/job/wim_test_image.h"

namespace {

// Header fields worth setting to any value: sizes, version, flags, part numbers, image count and
// the resource headers of the blob table and XML.
constexpr size_t kHeaderFields[] = {0x08, 0x0C, 0x10, 0x28, 0x2C, 0x30,
                                    0x38, 0x40, 0x48, 0x50, 0x58};
// Of a blob-table entry: size and flags, offset, original size, part number and count.
constexpr size_t kEntryFields[] = {0, 8, 16, 24};

uint8_t ConsumeFlags(FuzzedDataProvider& input) {
    const uint8_t usual[] = {0, kWimResourceCompressed,
                             kWimResourceMetadata | kWimResourceCompressed, kWimResourceMetadata};
    if (input.ConsumeIntegralInRange(0, 7) == 0) return input.ConsumeIntegral<uint8_t>();
    return usual[input.ConsumeIntegralInRange<size_t>(0, 3)];
}

TestWim ConsumeImage(FuzzedDataProvider& input) {
    std::vector<TestResource> resources(input.ConsumeIntegralInRange<size_t>(0, 12));
    for (TestResource& resource : resources) {
        resource.size = input.ConsumeIntegralInRange<uint64_t>(0, 3000);
        resource.flags = ConsumeFlags(input);
        if (input.ConsumeIntegralInRange(0, 3) == 0)
            resource.gap = input.ConsumeIntegralInRange<uint64_t>(0, 300);
    }
    TestWim wim = MakeTestWim(resources, 2 * input.ConsumeIntegralInRange<size_t>(1, 100));
    const int edits = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < edits; ++i) {
        const int kind = input.ConsumeIntegralInRange(0, 2);
        const uint64_t value = input.ConsumeIntegral<uint64_t>();
        size_t at = 0;
        size_t width = 8;
        if (kind == 0) {
            at = input.ConsumeIntegralInRange<size_t>(0, wim.bytes.size() - 1);
            width = 1;
        } else if (kind == 1) {
            at = kHeaderFields[input.ConsumeIntegralInRange<size_t>(0,
                                                                    std::size(kHeaderFields) - 1)];
        } else if (!resources.empty()) {
            at = wim.tableOffset +
                 input.ConsumeIntegralInRange<size_t>(0, resources.size() - 1) * kWimBlobEntrySize +
                 kEntryFields[input.ConsumeIntegralInRange<size_t>(0, std::size(kEntryFields) - 1)];
        }
        for (size_t k = 0; k < width && at + k < wim.bytes.size(); ++k)
            wim.bytes[at + k] = static_cast<uint8_t>(value >> (8 * k));
    }
    return wim;
}

std::vector<size_t> ConsumePieces(FuzzedDataProvider& input) {
    std::vector<size_t> pieces(input.ConsumeIntegralInRange<size_t>(1, 3));
    for (size_t& piece : pieces) piece = input.ConsumeIntegralInRange<size_t>(1, 5000);
    return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const uint64_t limit = input.ConsumeBool() ? input.ConsumeIntegral<uint64_t>()
                                               : input.ConsumeIntegralInRange<uint64_t>(0, 20000);
    const uint64_t blockSize = uint64_t{1} << input.ConsumeIntegralInRange(0, 12);
    const int64_t sizeChange = input.ConsumeIntegralInRange(0, 7) == 0
                                   ? input.ConsumeIntegralInRange<int64_t>(-300, 300)
                                   : 0;
    const std::vector<size_t> pieces = ConsumePieces(input);
    const uint64_t changeAt = input.ConsumeIntegral<uint64_t>();
    const TestWim wim = ConsumeImage(input);
    const std::vector<uint8_t>& image = wim.bytes;

    // Whatever the blob table and XML hold, whatever the header says of them.
    WimSplitSource raw;
    ReadWimHeader(image.data(), image.size(), raw.header);
    raw.size = input.ConsumeBool() ? input.ConsumeIntegral<uint64_t>() : image.size();
    raw.blobTable = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 700));
    raw.xml = input.ConsumeRemainingBytes<uint8_t>();
    WimSplitPlan rawPlan;
    if (PlanWimSplit(raw, limit, rawPlan) == WimRefusal::None)
        Require(!rawPlan.parts.empty(), "a plan made has parts");

    const uint64_t listed = static_cast<uint64_t>(static_cast<int64_t>(image.size()) + sizeChange);
    WimScan scan(listed, blockSize);
    const bool scanned = FeedInPieces(scan, image, pieces);
    if (!scanned) {
        Require(scan.Refusal() != WimRefusal::None ||
                    (listed != image.size() && scan.StreamShort() == (listed > image.size()) &&
                     scan.StreamLong() == (listed < image.size())),
                "a first pass fails for a refusal, or a stream shorter or longer than listed");
        return 0;
    }
    Require(listed == image.size(), "only a stream of the listed size passes");
    Require(scan.Fingerprint().blocks.size() == (image.size() + blockSize - 1) / blockSize,
            "the fingerprint covers the stream");
    const WimSplitSource& source = scan.Source();
    const auto at = [&](uint64_t offset) { return image.begin() + static_cast<ptrdiff_t>(offset); };
    Require(std::equal(source.blobTable.begin(), source.blobTable.end(),
                       at(source.header.blobTable.offset)) &&
                std::equal(source.xml.begin(), source.xml.end(), at(source.header.xml.offset)),
            "the first pass keeps the blob table and the XML, whatever the pieces");
    WimSplitPlan plan;
    if (PlanWimSplit(scan.Source(), limit, plan) != WimRefusal::None) {
        Require(plan.parts.empty(), "a refused image has no plan");
        return 0;
    }
    Require(!plan.parts.empty() && plan.parts.size() <= 65535, "a plan has 1 to 65535 parts");

    MemoryParts parts;
    WimSplitRouter router(plan, scan.Fingerprint(), parts);
    Require(FeedInPieces(router, image, pieces), "the first pass's stream routes");
    Require(!parts.outOfTurn && parts.open.empty() && parts.closed.size() == plan.parts.size(),
            "each part is opened, written and closed once");
    Require(router.BytesDone() == image.size(), "the whole stream is done");
    const char* broken = CheckParts(parts.files, image, plan, limit);
    if (broken) Require(false, broken);

    // One byte changed anywhere: the pass fails, and no part past that block is finished.
    std::vector<uint8_t> other = image;
    const size_t changed = static_cast<size_t>(changeAt % image.size());
    const uint64_t changedBlock = changed - changed % blockSize;
    other[changed] ^= 0x5A;
    MemoryParts otherParts;
    WimSplitRouter otherRouter(plan, scan.Fingerprint(), otherParts);
    Require(!FeedInPieces(otherRouter, other, pieces) &&
                otherRouter.Outcome().fault == WimRouteFault::StreamDiffers &&
                otherRouter.Outcome().at == changedBlock,
            "a stream unlike the first pass fails at the changed block");
    Require(!otherParts.outOfTurn, "a failed pass keeps the sink's order");
    for (const uint16_t number : otherParts.closed) {
        for (const WimPlacedResource& resource : plan.parts[number - 1u].resources)
            Require(resource.size == 0 || resource.sourceOffset + resource.size <= changedBlock,
                    "a part is finished only when all its blocks have matched");
        Require(otherParts.files[number] == parts.files[number], "a finished part is right");
    }
    return 0;
}

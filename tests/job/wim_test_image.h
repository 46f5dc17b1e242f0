#pragma once
// Made-up WIM images, in-memory part files and the check of a split's parts, for the unit tests,
// the fuzz target and the host split.
#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "job/wim_layout.h"
#include "job/wim_part_check.h"
#include "job/wim_scan.h"
#include "job/wim_split_plan.h"
#include "job/wim_split_router.h"

struct TestResource {
    uint64_t size = 0;
    uint8_t flags = 0;
    uint64_t gap = 0;  // bytes before it that belong to no resource
};

struct TestWim {
    std::vector<uint8_t> bytes;
    std::vector<uint64_t> offsets;  // of each resource, in the order given
    uint64_t tableOffset = 0;
    uint64_t xmlOffset = 0;
    // The blob table lists the resources in reverse, as a real one lists them in no stream order.
    size_t EntryOf(size_t resource) const { return offsets.size() - 1 - resource; }
    uint8_t* Entry(size_t entry) { return bytes.data() + tableOffset + entry * kWimBlobEntrySize; }
    const uint8_t* Entry(size_t entry) const {
        return bytes.data() + tableOffset + entry * kWimBlobEntrySize;
    }
};

inline uint8_t TestByte(uint64_t salt, uint64_t at) {
    return static_cast<uint8_t>(at * 131 + salt * 17 + (at >> 9) + (at >> 17));
}

// Header, the resources in the given order, blob table, XML of xmlSize bytes. The image count is
// the number of metadata resources.
inline TestWim MakeTestWim(const std::vector<TestResource>& resources, size_t xmlSize = 40) {
    TestWim wim;
    std::vector<uint8_t>& bytes = wim.bytes;
    bytes.resize(kWimHeaderSize);
    uint32_t images = 0;
    for (size_t i = 0; i < resources.size(); ++i) {
        for (uint64_t j = 0; j < resources[i].gap; ++j) bytes.push_back(TestByte(99, bytes.size()));
        wim.offsets.push_back(bytes.size());
        for (uint64_t j = 0; j < resources[i].size; ++j) bytes.push_back(TestByte(i, j));
        if (resources[i].flags & kWimResourceMetadata) ++images;
    }
    wim.tableOffset = bytes.size();
    bytes.resize(bytes.size() + resources.size() * kWimBlobEntrySize);
    for (size_t i = 0; i < resources.size(); ++i) {
        WimBlobEntry entry;
        entry.resource = {resources[i].size, resources[i].flags, wim.offsets[i], resources[i].size};
        entry.partNumber = 1;
        entry.referenceCount = static_cast<uint32_t>(i + 1);
        for (size_t k = 0; k < entry.sha1.size(); ++k) entry.sha1[k] = TestByte(i + 7, k);
        PutWimBlobEntry(wim.Entry(wim.EntryOf(i)), entry);
    }
    wim.xmlOffset = bytes.size();
    bytes.push_back(0xFF);
    bytes.push_back(0xFE);
    for (size_t i = 2; i < xmlSize; i += 2) {
        bytes.push_back(static_cast<uint8_t>("<WIM></WIM>"[(i / 2) % 11]));
        bytes.push_back(0);
    }
    WimHeader header;
    header.headerSize = kWimHeaderSize;
    header.version = kWimVersion;
    header.flags = 0x40082;
    header.chunkSize = 32768;
    for (size_t k = 0; k < header.guid.size(); ++k) header.guid[k] = static_cast<uint8_t>(0xA0 + k);
    header.partNumber = 1;
    header.totalParts = 1;
    header.imageCount = images;
    header.blobTable = {resources.size() * kWimBlobEntrySize, kWimResourceMetadata, wim.tableOffset,
                        resources.size() * kWimBlobEntrySize};
    header.xml = {bytes.size() - wim.xmlOffset, kWimResourceMetadata, wim.xmlOffset,
                  bytes.size() - wim.xmlOffset};
    header.bootIndex = 1;
    PutWimHeader(bytes.data(), header);
    return wim;
}

// Feeds the stream in pieces of the given sizes, taken in turn.
template <typename Pass>
bool FeedInPieces(Pass& pass, const std::vector<uint8_t>& stream,
                  const std::vector<size_t>& pieces) {
    size_t at = 0;
    for (size_t i = 0; at < stream.size(); ++i) {
        const size_t piece = std::min(pieces[i % pieces.size()], stream.size() - at);
        if (!pass.Feed(stream.data() + at, piece)) return false;
        at += piece;
    }
    return pass.Finish();
}

// Part files in memory; notes any call out of turn.
class MemoryParts : public WimPartSink {
  public:
    std::map<uint16_t, std::vector<uint8_t>> files;
    std::map<uint16_t, uint64_t> sizes;  // as announced
    std::set<uint16_t> open;
    std::set<uint16_t> closed;
    bool outOfTurn = false;
    uint16_t failingPart = 0;  // writes to it fail

    bool Open(uint16_t part, uint64_t size) override {
        if (files.count(part)) outOfTurn = true;
        files[part];
        sizes[part] = size;
        open.insert(part);
        return true;
    }
    bool Write(uint16_t part, const uint8_t* data, size_t size) override {
        if (!open.count(part)) outOfTurn = true;
        if (part == failingPart) return false;
        files[part].insert(files[part].end(), data, data + size);
        return true;
    }
    bool Close(uint16_t part) override {
        if (!open.count(part) || files[part].size() != sizes[part]) outOfTurn = true;
        open.erase(part);
        closed.insert(part);
        return true;
    }
};

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

// The part files against the image and the plan: each part's header, its blob table's entries
// (the image's, with this part's number and offset) and their bytes, the image's XML; every entry
// of the image in exactly one part, the metadata in part 1, no part past the limit. Null when all
// hold, else the property that does not.
inline const char* CheckParts(const std::map<uint16_t, std::vector<uint8_t>>& files,
                              const std::vector<uint8_t>& image, const WimSplitPlan& plan,
                              uint64_t limit) {
    WimHeader source;
    if (!ReadWimHeader(image.data(), image.size(), source)) return "the image has a header";
    const size_t entries = source.blobTable.storedSize / kWimBlobEntrySize;
    std::vector<int> placed(entries, 0);
    if (files.size() != plan.parts.size()) return "every part is written";
    for (const WimSplitPart& part : plan.parts) {
        const auto found = files.find(part.number);
        if (found == files.end()) return "every part is written";
        const std::vector<uint8_t>& file = found->second;
        WimHeader header;
        if (!ReadWimHeader(file.data(), file.size(), header)) return "a part has a header";
        if (file.size() != part.size || file.size() > limit) return "a part has its planned size";
        if (!header.magic || header.version != source.version ||
            header.flags != (source.flags | kWimHeaderFlagSpanned) ||
            header.chunkSize != source.chunkSize || header.guid != source.guid ||
            header.partNumber != part.number || header.totalParts != plan.parts.size() ||
            header.imageCount != source.imageCount || header.bootIndex != 0 ||
            header.bootMetadata.storedSize != 0 || header.integrity.storedSize != 0)
            return "a part's header is the image's, spanned, with its number";
        const uint64_t tableAt = header.blobTable.offset;
        const uint64_t count = header.blobTable.storedSize / kWimBlobEntrySize;
        if (header.blobTable.storedSize != count * kWimBlobEntrySize ||
            header.blobTable.flags != kWimResourceMetadata || count != part.resources.size() ||
            tableAt + header.blobTable.storedSize != header.xml.offset ||
            header.xml.storedSize != source.xml.storedSize ||
            header.xml.offset + source.xml.storedSize != file.size() ||
            !std::equal(file.begin() + static_cast<ptrdiff_t>(header.xml.offset), file.end(),
                        image.begin() + static_cast<ptrdiff_t>(source.xml.offset)))
            return "a part ends in its blob table and the XML";
        uint64_t end = kWimHeaderSize;
        uint64_t streamAt = 0;
        for (size_t k = 0; k < count; ++k) {
            const WimPlacedResource& resource = part.resources[k];
            if (resource.entry >= entries) return "a part's entry is the image's";
            ++placed[resource.entry];
            WimBlobEntry expected = ReadWimBlobEntry(image.data() + source.blobTable.offset +
                                                     resource.entry * kWimBlobEntrySize);
            const WimBlobEntry entry =
                ReadWimBlobEntry(file.data() + tableAt + k * kWimBlobEntrySize);
            if ((expected.resource.flags & kWimResourceMetadata) && part.number != 1)
                return "the metadata are in part 1";
            const uint64_t sourceAt = expected.resource.offset;
            expected.resource.offset = entry.resource.offset;
            expected.partNumber = part.number;
            std::vector<uint8_t> want(kWimBlobEntrySize), got(kWimBlobEntrySize);
            PutWimBlobEntry(want.data(), expected);
            PutWimBlobEntry(got.data(), entry);
            if (want != got) return "a part's entry is the image's, with its part and offset";
            const uint64_t size = entry.resource.storedSize;
            if (entry.resource.offset < end || entry.resource.offset > tableAt ||
                size > tableAt - entry.resource.offset)
                return "a part's resources lie in stream order between its header and table";
            if (size > 0 &&
                !std::equal(image.begin() + static_cast<ptrdiff_t>(sourceAt),
                            image.begin() + static_cast<ptrdiff_t>(sourceAt + size),
                            file.begin() + static_cast<ptrdiff_t>(entry.resource.offset)))
                return "a resource's bytes are the image's";
            if (size > 0 && sourceAt < streamAt) return "a part keeps its resources' stream order";
            if (size > 0) streamAt = sourceAt;
            end = entry.resource.offset + size;
        }
        if (end != tableAt) return "a part's resources lie back to back";
    }
    if (std::count(placed.begin(), placed.end(), 1) != static_cast<ptrdiff_t>(entries))
        return "every entry is in exactly one part";
    return nullptr;
}

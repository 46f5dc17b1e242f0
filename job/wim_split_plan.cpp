#include "job/wim_split_plan.h"

#include <algorithm>
#include <numeric>

namespace {

// Part numbers are 16 bits wide.
constexpr size_t kMostParts = 65535;

bool InFile(uint64_t offset, uint64_t size, uint64_t fileSize) {
    return size <= fileSize && offset <= fileSize - size;
}

// Windows reads the blob table and the XML only when they are stored as they are.
bool StoredPlainly(const WimResourceHeader& resource) {
    return (resource.flags & (kWimResourceCompressed | kWimResourceSolid)) == 0 &&
           resource.storedSize == resource.originalSize;
}

bool PlacedBehindHeader(const WimResourceHeader& resource, uint64_t fileSize) {
    return resource.offset >= kWimHeaderSize &&
           InFile(resource.offset, resource.storedSize, fileSize);
}

struct Span {
    uint64_t offset;
    uint64_t size;
};

// The spans lie in the file, so no end overflows.
bool AnyOverlap(std::vector<Span>& spans) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.offset < b.offset; });
    for (size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].offset < spans[i - 1].offset + spans[i - 1].size) return true;
    }
    return false;
}

bool Metadata(const WimBlobEntry& entry) {
    return (entry.resource.flags & kWimResourceMetadata) != 0;
}

WimRefusal CheckEntries(const std::vector<WimBlobEntry>& entries, const WimSplitSource& source) {
    const WimHeader& header = source.header;
    // A solid or split image may look damaged besides; its own reason says more.
    for (const WimBlobEntry& entry : entries) {
        if ((entry.resource.flags & kWimResourceSolid) != 0 ||
            entry.resource.originalSize == kWimSolidOriginalSize)
            return WimRefusal::Solid;
    }
    for (const WimBlobEntry& entry : entries) {
        if ((entry.resource.flags & kWimResourceSpanned) != 0 || entry.partNumber != 1)
            return WimRefusal::AlreadySplit;
    }
    std::vector<Span> taken = {{0, kWimHeaderSize},
                               {header.blobTable.offset, header.blobTable.storedSize},
                               {header.xml.offset, header.xml.storedSize}};
    uint64_t metadataCount = 0;
    for (const WimBlobEntry& entry : entries) {
        const WimResourceHeader& resource = entry.resource;
        if (resource.storedSize == 0) {
            // Empty data needs no bytes; wimlib writes no such entry and passes over one it finds.
            // Whatever reads the parts may still look for it, so it is kept.
            if (resource.originalSize != 0 || Metadata(entry) || resource.offset > source.size)
                return WimRefusal::Damaged;
            continue;
        }
        if ((resource.flags & kWimResourceCompressed) == 0 &&
            resource.originalSize != resource.storedSize)
            return WimRefusal::Damaged;
        if (!InFile(resource.offset, resource.storedSize, source.size)) return WimRefusal::Damaged;
        taken.push_back({resource.offset, resource.storedSize});
        if (Metadata(entry)) ++metadataCount;
    }
    if (metadataCount != header.imageCount) return WimRefusal::Damaged;
    std::erase_if(taken, [](const Span& span) { return span.size == 0; });
    if (AnyOverlap(taken)) return WimRefusal::Damaged;
    return WimRefusal::None;
}

// Whether a part file holding used bytes has room for more.
bool Fits(uint64_t used, uint64_t more, uint64_t limit) {
    return more <= limit && used <= limit - more;
}

// The entries of each part, in stream order. Part 1 holds the metadata resources and the empty
// entries (which go anywhere: they hold no bytes), and then the other resources as they come.
WimRefusal Distribute(const std::vector<WimBlobEntry>& entries, uint64_t fixed, uint64_t limit,
                      std::vector<std::vector<uint32_t>>& members) {
    std::vector<uint32_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return entries[a].resource.offset < entries[b].resource.offset;
    });
    const auto need = [&](uint32_t i) {
        return entries[i].resource.storedSize + kWimBlobEntrySize;
    };
    const auto inFirst = [&](uint32_t i) {
        return Metadata(entries[i]) || entries[i].resource.storedSize == 0;
    };
    for (uint32_t i : order) {
        if (!Fits(fixed, need(i), limit)) return WimRefusal::ResourceTooLarge;
    }
    members.assign(1, {});
    uint64_t used = fixed;
    for (uint32_t i : order) {
        if (!inFirst(i)) continue;
        if (!Fits(used, need(i), limit)) return WimRefusal::MetadataTooLarge;
        used += need(i);
        members[0].push_back(i);
    }
    for (uint32_t i : order) {
        if (inFirst(i)) continue;
        if (!Fits(used, need(i), limit)) {
            if (members.size() == kMostParts) return WimRefusal::TooManyParts;
            members.emplace_back();
            used = fixed;
        }
        used += need(i);
        members.back().push_back(i);
    }
    std::stable_sort(members[0].begin(), members[0].end(), [&](uint32_t a, uint32_t b) {
        return entries[a].resource.offset < entries[b].resource.offset;
    });
    return WimRefusal::None;
}

// What wimlib-imagex split writes, and Windows reads: the tables' headers carry the metadata
// flag, as in a whole image.
WimResourceHeader TableHeader(uint64_t offset, uint64_t size) {
    return {size, kWimResourceMetadata, offset, size};
}

void LayOutPart(const WimSplitSource& source, const std::vector<WimBlobEntry>& entries,
                const std::vector<uint32_t>& members, uint16_t number, uint16_t total,
                WimSplitPart& part) {
    part.number = number;
    part.blobTable.resize(members.size() * kWimBlobEntrySize);
    uint64_t at = kWimHeaderSize;
    for (size_t i = 0; i < members.size(); ++i) {
        WimBlobEntry entry = entries[members[i]];
        part.resources.push_back(
            {members[i], entry.resource.offset, entry.resource.storedSize, at});
        entry.resource.offset = at;
        entry.partNumber = number;
        PutWimBlobEntry(part.blobTable.data() + i * kWimBlobEntrySize, entry);
        at += entry.resource.storedSize;
    }
    WimHeader header = source.header;
    header.flags |= kWimHeaderFlagSpanned;
    header.partNumber = number;
    header.totalParts = total;
    header.blobTable = TableHeader(at, part.blobTable.size());
    header.xml = TableHeader(at + part.blobTable.size(), source.xml.size());
    // The boot image and the integrity table are those of the whole image; no part has them.
    header.bootMetadata = {};
    header.bootIndex = 0;
    header.integrity = {};
    PutWimHeader(part.header.data(), header);
    part.size = at + part.blobTable.size() + source.xml.size();
}

}  // namespace

std::wstring WimRefusalText(WimRefusal refusal) {
    switch (refusal) {
        case WimRefusal::None:
            return {};
        case WimRefusal::NotWim:
            return L"it is not a WIM image";
        case WimRefusal::UnknownVersion:
            return L"it is of a WIM version this program does not know";
        case WimRefusal::Solid:
            return L"it holds solid (ESD/LZMS) resources";
        case WimRefusal::AlreadySplit:
            return L"it is already a part of a split image";
        case WimRefusal::NoImage:
            return L"it holds no image";
        case WimRefusal::Damaged:
            return L"its header or tables are damaged";
        case WimRefusal::ResourceTooLarge:
            return L"a resource in it is larger than one part";
        case WimRefusal::MetadataTooLarge:
            return L"its images' directory data together are larger than one part";
        case WimRefusal::TooManyParts:
            return L"it would take more than 65535 parts";
    }
    return {};
}

WimRefusal CheckWimHeader(const WimHeader& header, uint64_t fileSize) {
    if (!header.magic || header.headerSize != kWimHeaderSize || fileSize < kWimHeaderSize)
        return WimRefusal::NotWim;
    if (header.version == kWimVersionSolid) return WimRefusal::Solid;
    if (header.version != kWimVersion) return WimRefusal::UnknownVersion;
    if ((header.flags & kWimHeaderFlagSpanned) != 0 || header.partNumber != 1 ||
        header.totalParts != 1)
        return WimRefusal::AlreadySplit;
    if (header.imageCount == 0) return WimRefusal::NoImage;
    const WimResourceHeader& table = header.blobTable;
    const WimResourceHeader& xml = header.xml;
    if (!StoredPlainly(table) || !StoredPlainly(xml) || table.storedSize % kWimBlobEntrySize != 0 ||
        table.storedSize > kWimLargestTable || xml.storedSize > kWimLargestTable)
        return WimRefusal::Damaged;
    // UTF-16 text that begins with its byte-order mark.
    if (xml.storedSize < 2 || xml.storedSize % 2 != 0) return WimRefusal::Damaged;
    if (!PlacedBehindHeader(table, fileSize) || !PlacedBehindHeader(xml, fileSize))
        return WimRefusal::Damaged;
    if (table.storedSize > 0 && table.offset < xml.offset + xml.storedSize &&
        xml.offset < table.offset + table.storedSize)
        return WimRefusal::Damaged;
    return WimRefusal::None;
}

WimRefusal PlanWimSplit(const WimSplitSource& source, uint64_t partLimit, WimSplitPlan& plan) {
    plan = {};
    const WimHeader& header = source.header;
    const WimRefusal headerRefusal = CheckWimHeader(header, source.size);
    if (headerRefusal != WimRefusal::None) return headerRefusal;
    if (source.blobTable.size() != header.blobTable.storedSize ||
        source.xml.size() != header.xml.storedSize || source.xml[0] != 0xFF ||
        source.xml[1] != 0xFE)
        return WimRefusal::Damaged;

    std::vector<WimBlobEntry> entries(source.blobTable.size() / kWimBlobEntrySize);
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i] = ReadWimBlobEntry(source.blobTable.data() + i * kWimBlobEntrySize);
    const WimRefusal entryRefusal = CheckEntries(entries, source);
    if (entryRefusal != WimRefusal::None) return entryRefusal;

    const uint64_t fixed = kWimHeaderSize + source.xml.size();
    std::vector<std::vector<uint32_t>> members;
    const WimRefusal sizeRefusal = Distribute(entries, fixed, partLimit, members);
    if (sizeRefusal != WimRefusal::None) return sizeRefusal;

    plan.sourceSize = source.size;
    plan.xml = source.xml;
    plan.parts.resize(members.size());
    for (size_t i = 0; i < members.size(); ++i) {
        LayOutPart(source, entries, members[i], static_cast<uint16_t>(i + 1),
                   static_cast<uint16_t>(members.size()), plan.parts[i]);
    }
    return WimRefusal::None;
}

std::wstring WimPartFileName(uint16_t number) {
    return number == 1 ? L"install.swm" : L"install" + std::to_wstring(number) + L".swm";
}

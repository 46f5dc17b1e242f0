#include "job/wim_layout.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kMagic[8] = {'M', 'S', 'W', 'I', 'M', 0, 0, 0};

uint64_t Get(const uint8_t* at, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
    return value;
}

void Put(uint8_t* at, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

WimResourceHeader ReadWimResourceHeader(const uint8_t* at) {
    WimResourceHeader resource;
    resource.storedSize = Get(at, 7);
    resource.flags = at[7];
    resource.offset = Get(at + 8, 8);
    resource.originalSize = Get(at + 16, 8);
    return resource;
}

void PutWimResourceHeader(uint8_t* at, const WimResourceHeader& resource) {
    Put(at, resource.storedSize, 7);
    at[7] = resource.flags;
    Put(at + 8, resource.offset, 8);
    Put(at + 16, resource.originalSize, 8);
}

bool ReadWimHeader(const uint8_t* bytes, size_t size, WimHeader& header) {
    if (size < kWimHeaderSize) return false;
    header.magic = std::memcmp(bytes, kMagic, sizeof kMagic) == 0;
    header.headerSize = static_cast<uint32_t>(Get(bytes + 0x08, 4));
    header.version = static_cast<uint32_t>(Get(bytes + 0x0C, 4));
    header.flags = static_cast<uint32_t>(Get(bytes + 0x10, 4));
    header.chunkSize = static_cast<uint32_t>(Get(bytes + 0x14, 4));
    std::copy(bytes + 0x18, bytes + 0x28, header.guid.begin());
    header.partNumber = static_cast<uint16_t>(Get(bytes + 0x28, 2));
    header.totalParts = static_cast<uint16_t>(Get(bytes + 0x2A, 2));
    header.imageCount = static_cast<uint32_t>(Get(bytes + 0x2C, 4));
    header.blobTable = ReadWimResourceHeader(bytes + 0x30);
    header.xml = ReadWimResourceHeader(bytes + 0x48);
    header.bootMetadata = ReadWimResourceHeader(bytes + 0x60);
    header.bootIndex = static_cast<uint32_t>(Get(bytes + 0x78, 4));
    header.integrity = ReadWimResourceHeader(bytes + 0x7C);
    return true;
}

void PutWimHeader(uint8_t* at, const WimHeader& header) {
    std::memset(at, 0, kWimHeaderSize);
    std::memcpy(at, kMagic, sizeof kMagic);
    Put(at + 0x08, header.headerSize, 4);
    Put(at + 0x0C, header.version, 4);
    Put(at + 0x10, header.flags, 4);
    Put(at + 0x14, header.chunkSize, 4);
    std::copy(header.guid.begin(), header.guid.end(), at + 0x18);
    Put(at + 0x28, header.partNumber, 2);
    Put(at + 0x2A, header.totalParts, 2);
    Put(at + 0x2C, header.imageCount, 4);
    PutWimResourceHeader(at + 0x30, header.blobTable);
    PutWimResourceHeader(at + 0x48, header.xml);
    PutWimResourceHeader(at + 0x60, header.bootMetadata);
    Put(at + 0x78, header.bootIndex, 4);
    PutWimResourceHeader(at + 0x7C, header.integrity);
}

WimBlobEntry ReadWimBlobEntry(const uint8_t* at) {
    WimBlobEntry entry;
    entry.resource = ReadWimResourceHeader(at);
    entry.partNumber = static_cast<uint16_t>(Get(at + 24, 2));
    entry.referenceCount = static_cast<uint32_t>(Get(at + 26, 4));
    std::copy(at + 30, at + 50, entry.sha1.begin());
    return entry;
}

void PutWimBlobEntry(uint8_t* at, const WimBlobEntry& entry) {
    PutWimResourceHeader(at, entry.resource);
    Put(at + 24, entry.partNumber, 2);
    Put(at + 26, entry.referenceCount, 4);
    std::copy(entry.sha1.begin(), entry.sha1.end(), at + 30);
}

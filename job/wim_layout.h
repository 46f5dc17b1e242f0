#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// The byte layout of a WIM image's header, resource headers and blob-table entries (all
// little-endian).
constexpr size_t kWimHeaderSize = 208;
constexpr size_t kWimResourceHeaderSize = 24;
constexpr size_t kWimBlobEntrySize = 50;

constexpr uint32_t kWimVersion = 0x10D00;
constexpr uint32_t kWimVersionSolid = 0xE00;
constexpr uint32_t kWimHeaderFlagSpanned = 0x08;

constexpr uint8_t kWimResourceMetadata = 0x02;
constexpr uint8_t kWimResourceCompressed = 0x04;
constexpr uint8_t kWimResourceSpanned = 0x08;
constexpr uint8_t kWimResourceSolid = 0x10;
// The original size by which an entry says its data sit in a solid resource.
constexpr uint64_t kWimSolidOriginalSize = 0x100000000;
// The stored size field is 7 bytes wide.
constexpr uint64_t kWimLargestStoredSize = (uint64_t{1} << 56) - 1;

struct WimResourceHeader {
    uint64_t storedSize = 0;  // in the file
    uint8_t flags = 0;
    uint64_t offset = 0;  // from the start of the file that holds it
    uint64_t originalSize = 0;
};

struct WimHeader {
    bool magic = false;  // "MSWIM\0\0\0"
    uint32_t headerSize = 0;
    uint32_t version = 0;
    uint32_t flags = 0;
    uint32_t chunkSize = 0;
    std::array<uint8_t, 16> guid{};
    uint16_t partNumber = 0;
    uint16_t totalParts = 0;
    uint32_t imageCount = 0;
    WimResourceHeader blobTable;
    WimResourceHeader xml;
    WimResourceHeader bootMetadata;
    uint32_t bootIndex = 0;
    WimResourceHeader integrity;
};

struct WimBlobEntry {
    WimResourceHeader resource;
    uint16_t partNumber = 0;
    uint32_t referenceCount = 0;
    std::array<uint8_t, 20> sha1{};
};

WimResourceHeader ReadWimResourceHeader(const uint8_t* at);
void PutWimResourceHeader(uint8_t* at, const WimResourceHeader& resource);

// False when fewer than kWimHeaderSize bytes are given.
bool ReadWimHeader(const uint8_t* bytes, size_t size, WimHeader& header);
// Writes kWimHeaderSize bytes, the magic included and the unused end zero.
void PutWimHeader(uint8_t* at, const WimHeader& header);

WimBlobEntry ReadWimBlobEntry(const uint8_t* at);
void PutWimBlobEntry(uint8_t* at, const WimBlobEntry& entry);

#include "disk/mbr_layout.h"

#include <cstring>

#include "disk/byte_order.h"

namespace {

constexpr uint32_t kHeads = 255;
constexpr uint32_t kSectorsPerTrack = 63;
constexpr uint64_t kSectorNumbers = uint64_t{1} << 32;

}  // namespace

PartitionSpan PlanStickPartition(uint64_t diskSectors, uint32_t sectorSize) {
    PartitionSpan span;
    if (sectorSize == 0 || (1024 * 1024) % sectorSize != 0) return span;
    span.start = 1024 * 1024 / sectorSize;
    const uint64_t end = diskSectors < kSectorNumbers ? diskSectors : kSectorNumbers;
    if (end <= span.start) return span;
    span.count = static_cast<uint32_t>(end - span.start);
    span.ok = true;
    return span;
}

Chs ChsOfLba(uint64_t lba) {
    const uint64_t cylinder = lba / (kHeads * kSectorsPerTrack);
    if (cylinder > 1023) return {254, 0xFF, 0xFF};
    const uint32_t head = static_cast<uint32_t>(lba / kSectorsPerTrack % kHeads);
    const uint32_t sector = static_cast<uint32_t>(lba % kSectorsPerTrack) + 1;
    return {static_cast<uint8_t>(head), static_cast<uint8_t>(sector | (cylinder >> 8) << 6),
            static_cast<uint8_t>(cylinder)};
}

PartitionEntry MakePartitionEntry(uint32_t start, uint32_t count, uint8_t type, bool active) {
    PartitionEntry entry{};
    entry[0] = active ? 0x80 : 0x00;
    const Chs first = ChsOfLba(start);
    const Chs last = ChsOfLba(uint64_t{start} + count - 1);
    entry[1] = first.head;
    entry[2] = first.sector;
    entry[3] = first.cylinder;
    entry[4] = type;
    entry[5] = last.head;
    entry[6] = last.sector;
    entry[7] = last.cylinder;
    Put32(&entry[8], start);
    Put32(&entry[12], count);
    return entry;
}

void LayOutMbr(uint8_t* sector, const uint8_t* bootCode, uint32_t signature,
               const PartitionEntry& entry) {
    std::memset(sector, 0, 512);
    std::memcpy(sector, bootCode, kMbrBootCodeBytes);
    Put32(sector + kMbrSignatureOffset, signature);
    std::memcpy(sector + kMbrTableOffset, entry.data(), entry.size());
    sector[510] = 0x55;
    sector[511] = 0xAA;
}

bool HasPartitionTable(const uint8_t* sector, uint64_t diskSectors) {
    if (sector[510] != 0x55 || sector[511] != 0xAA) return false;
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        const uint8_t* entry = sector + kMbrTableOffset + 16 * i;
        if (entry[0] != 0x00 && entry[0] != 0x80) return false;
        if (entry[4] == 0) continue;
        const uint64_t start = Get32(entry + 8), count = Get32(entry + 12);
        if (start == 0 || count == 0 || start + count > diskSectors) return false;
        any = true;
    }
    return any;
}

TablePartition BootPartition(const uint8_t* sector) {
    TablePartition chosen;
    for (int i = 0; i < 4; ++i) {
        const uint8_t* entry = sector + kMbrTableOffset + 16 * i;
        if (entry[4] == 0) continue;
        const bool active = entry[0] == 0x80;
        if (chosen.found && !active) continue;
        chosen = {true, entry[4], Get32(entry + 8), Get32(entry + 12)};
        if (active) break;
    }
    return chosen;
}

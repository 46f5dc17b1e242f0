#include "disk/mbr_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "disk/byte_order.h"

namespace {

struct Stick {
    const char* name;
    uint64_t diskBytes;
    uint32_t sectorSize;
    uint32_t start, count;
    std::array<uint8_t, 3> firstChs, lastChs;  // head, sector|cylinder high, cylinder low
};

TEST(PlanStickPartition, FromOneMiBToTheEndOrTheLastSectorNumber) {
    const Stick sticks[] = {
        {"64 MiB", 64ull << 20, 512, 2048, 129024, {32, 33, 0}, {40, 32, 8}},
        // Past cylinder 1023 the end is the customary 1023/254/63.
        {"8 GiB", 8ull << 30, 512, 2048, 16775168, {32, 33, 0}, {254, 0xFF, 0xFF}},
        {"2 TiB", 2ull << 40, 512, 2048, 0xFFFFF800u, {32, 33, 0}, {254, 0xFF, 0xFF}},
        // Capped where 32-bit sector numbers end, not wrapped around.
        {"3 TiB", 3ull << 40, 512, 2048, 0xFFFFF800u, {32, 33, 0}, {254, 0xFF, 0xFF}},
        {"16 GiB of 4096-byte sectors",
         16ull << 30,
         4096,
         256,
         4194048,
         {4, 5, 0},
         {21, 0x50, 0x05}},
    };
    for (const Stick& s : sticks) {
        SCOPED_TRACE(s.name);
        const PartitionSpan span = PlanStickPartition(s.diskBytes / s.sectorSize, s.sectorSize);
        ASSERT_TRUE(span.ok);
        EXPECT_EQ(span.start, s.start);
        EXPECT_EQ(span.count, s.count);

        std::vector<uint8_t> code(440, 0x90);
        uint8_t sector[512];
        std::fill(std::begin(sector), std::end(sector), 0xEE);
        LayOutMbr(sector, code.data(), 0x12345678,
                  MakePartitionEntry(span.start, span.count, 0x0C, true));
        const uint8_t* entry = sector + 446;
        EXPECT_EQ(entry[0], 0x80);
        EXPECT_EQ(std::vector<uint8_t>(entry + 1, entry + 4),
                  std::vector<uint8_t>(s.firstChs.begin(), s.firstChs.end()));
        EXPECT_EQ(entry[4], 0x0C);
        EXPECT_EQ(std::vector<uint8_t>(entry + 5, entry + 8),
                  std::vector<uint8_t>(s.lastChs.begin(), s.lastChs.end()));
        EXPECT_EQ(Get32(entry + 8), s.start);
        EXPECT_EQ(Get32(entry + 12), s.count);
        EXPECT_EQ(Get16(sector + 444), 0);
    }
}

TEST(HasPartitionTable, RefusesWhatIsNoTable) {
    uint8_t sector[512] = {};
    EXPECT_FALSE(HasPartitionTable(sector, 1000000)) << "no mark";
    sector[510] = 0x55;
    sector[511] = 0xAA;
    EXPECT_FALSE(HasPartitionTable(sector, 1000000)) << "no partition";
    const PartitionEntry entry = MakePartitionEntry(2048, 4096, 0x0C, false);
    std::copy(entry.begin(), entry.end(), sector + 446 + 16);
    EXPECT_TRUE(HasPartitionTable(sector, 1000000));
    EXPECT_FALSE(HasPartitionTable(sector, 6000)) << "partition past the disk's end";
    sector[446 + 16] = 0x12;  // a boot flag that is neither 0 nor 0x80: a FAT boot sector's code
    EXPECT_FALSE(HasPartitionTable(sector, 1000000));
}

}  // namespace

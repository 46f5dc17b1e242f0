#include "disk/mbr_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "disk/byte_order.h"

namespace {

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

#include "disk/fat32_layout.h"

#include <gtest/gtest.h>

#include "disk/byte_order.h"
#include "disk/fat_label.h"

namespace {

TEST(PlanFat32, TooFewClustersIsNoFat32) {
    EXPECT_TRUE(PlanFat32(66581, 512, 2048).ok) << "65525 clusters, the fewest FAT32 has";
    EXPECT_FALSE(PlanFat32(66580, 512, 2048).ok);
    EXPECT_FALSE(PlanFat32(32 * 2048, 512, 2048).ok);  // a 32 MiB stick
    EXPECT_FALSE(PlanFat32(30, 512, 2048).ok);
    EXPECT_FALSE(PlanFat32(100000, 520, 2048).ok);
}

TEST(Fat32ClusterBytes, WindowsTable) {
    const std::pair<uint64_t, uint32_t> table[] = {
        {64ull << 20, 512},   {(64ull << 20) + 512, 1024}, {128ull << 20, 1024},
        {256ull << 20, 2048}, {(256ull << 20) + 1, 4096},  {8ull << 30, 4096},
        {16ull << 30, 8192},  {32ull << 30, 16384},        {(32ull << 30) + 1, 32768},
        {2ull << 40, 32768},
    };
    for (const auto& [bytes, cluster] : table) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(Fat32ClusterBytes(bytes), cluster);
    }
}

// The fuzz target checks that the layout is the smallest that fits and that these sectors state
// it; here the constants Windows writes.
TEST(Fat32Sectors, WhatWindowsWritesBesideTheLayout) {
    const Fat32Layout layout = PlanFat32(522240, 512, 2048);
    const std::vector<uint8_t> boot = Fat32BootSector(layout, MakeFatLabel(L"Stick"), 0xA1B2C3D4);
    ASSERT_EQ(boot.size(), 512u);
    EXPECT_EQ(layout.reservedSectors, 32u);
    EXPECT_EQ(boot[16], 2) << "two FATs";
    EXPECT_EQ(boot[21], 0xF8);
    EXPECT_EQ(Get16(&boot[24]), 63);
    EXPECT_EQ(Get16(&boot[26]), 255);
    EXPECT_EQ(Get16(&boot[48]), 1);
    EXPECT_EQ(Get16(&boot[50]), 6);
    EXPECT_EQ(boot[64], 0x80);
    EXPECT_EQ(boot[66], 0x29);
    EXPECT_EQ(Get32(&boot[67]), 0xA1B2C3D4u);
    EXPECT_EQ(std::string(boot.begin() + 82, boot.begin() + 90), "FAT32   ");
    EXPECT_EQ(boot[510], 0x55);
    EXPECT_EQ(boot[511], 0xAA);
    EXPECT_EQ(Get32(&Fat32FsInfoSector(layout)[492]), 3u) << "next free cluster";
    EXPECT_EQ(Get32(&Fat32FirstFatSector(layout)[0]), 0x0FFFFFF8u);
}

}  // namespace

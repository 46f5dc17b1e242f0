#include "disk/fat32_layout.h"

#include <gtest/gtest.h>

#include "disk/byte_order.h"
#include "disk/fat_label.h"

namespace {

struct Volume {
    const char* name;
    uint32_t totalSectors;
    uint32_t bytesPerSector;
    uint32_t sectorsPerCluster, fatSectors, firstDataSector, clusterCount;
};

// Expected values worked out apart from the code: the smallest FAT that holds every cluster the
// sectors after it leave.
TEST(PlanFat32, WindowsClusterSizesAndTheSmallestFatThatFits) {
    const Volume volumes[] = {
        {"smallest FAT32", 66581, 512, 1, 512, 1056, 65525},
        {"64 MiB stick", 129024, 512, 1, 993, 2018, 127006},
        {"256 MiB stick", 522240, 512, 4, 1016, 2064, 130044},
        {"8 GiB stick", 16775168, 512, 8, 16351, 32734, 2092804},
        {"16 GiB stick", 33552384, 512, 16, 16368, 32768, 2094976},
        {"32 GiB stick", 67106816, 512, 32, 16376, 32784, 2096063},
        {"64 GiB stick", 134215680, 512, 64, 16380, 32792, 2096607},
        {"2 TiB, the 32-bit limit", 0xFFFFF800u, 512, 64, 524160, 1048352, 67092451},
        {"1 GiB of 4096-byte sectors", 261888, 4096, 1, 256, 544, 261344},
        {"16 GiB of 4096-byte sectors", 4194048, 4096, 2, 2046, 4124, 2094962},
    };
    for (const Volume& v : volumes) {
        SCOPED_TRACE(v.name);
        const Fat32Layout layout = PlanFat32(v.totalSectors, v.bytesPerSector, 2048);
        ASSERT_TRUE(layout.ok);
        EXPECT_EQ(layout.sectorsPerCluster, v.sectorsPerCluster);
        EXPECT_EQ(layout.fatSectors, v.fatSectors);
        EXPECT_EQ(layout.firstDataSector, v.firstDataSector);
        EXPECT_EQ(layout.clusterCount, v.clusterCount);
        EXPECT_EQ(layout.reservedSectors, 32u);
    }
}

TEST(PlanFat32, TooFewClustersIsNoFat32) {
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

// The fuzz target checks that these sectors state the layout; here the constants Windows writes.
TEST(Fat32Sectors, WhatWindowsWritesBesideTheLayout) {
    const Fat32Layout layout = PlanFat32(522240, 512, 2048);
    const std::vector<uint8_t> boot = Fat32BootSector(layout, MakeFatLabel(L"Stick"), 0xA1B2C3D4);
    ASSERT_EQ(boot.size(), 512u);
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

TEST(MakeFatLabel, AsWindowsFormatStoresIt) {
    const std::pair<const wchar_t*, const char*> labels[] = {
        {L"MyUSB", "MYUSB      "},
        {L"My Stick", "MY STICK   "},
        {L"", "NO NAME    "},
        {L"   ", "NO NAME    "},
        {L"abcdefghijklmnop", "ABCDEFGHIJK"},
        {L"a.b,c;d:e", "A_B_C_D_E  "},
        {L"*?<>|\"/\\+=[", "___________"},
        {L"Tab\there", "TAB_HERE   "},
        {L"\u00dcber", "_BER       "},
        {L"x-y_z!#$%&'()@^`{}~", "X-Y_Z!#$%&'"},
    };
    for (const auto& [typed, stored] : labels) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(typed)));
        const FatLabel label = MakeFatLabel(typed);
        EXPECT_EQ(std::string(label.bytes.begin(), label.bytes.end()), stored);
        EXPECT_EQ(label.named, std::string(stored) != "NO NAME    ");
    }
}

}  // namespace

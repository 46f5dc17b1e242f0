// The FAT32 layout for any volume size, sector size and position, and the sectors written from it.
#include "disk/boot_record.h"
#include "disk/byte_order.h"
#include "disk/fat32_layout.h"
#include "disk/fat_label.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstring>

namespace {

uint64_t ClustersLeftBy(const Fat32Layout& layout, uint64_t fatSectors) {
    const uint64_t used = layout.reservedSectors + uint64_t{layout.fatCount} * fatSectors;
    return used >= layout.totalSectors ? 0
                                       : (layout.totalSectors - used) / layout.sectorsPerCluster;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const uint32_t totalSectors =
        input.ConsumeIntegral<uint32_t>() >> input.ConsumeIntegralInRange<int>(0, 31);
    const uint32_t bytesPerSector = input.ConsumeIntegralInRange<int>(0, 7) == 0
                                        ? input.ConsumeIntegral<uint32_t>()
                                        : 512u << input.ConsumeIntegralInRange<int>(0, 3);
    const uint32_t hiddenSectors = input.ConsumeIntegral<uint32_t>();
    const uint32_t serial = input.ConsumeIntegral<uint32_t>();
    const uint16_t fatDate = input.ConsumeIntegral<uint16_t>();
    const uint16_t fatTime = input.ConsumeIntegral<uint16_t>();
    const FatLabel label = MakeFatLabel(ConsumeWide(input, 60));

    const Fat32Layout layout = PlanFat32(totalSectors, bytesPerSector, hiddenSectors);
    if (!layout.ok) {
        Require(bytesPerSector < 512 || bytesPerSector > 4096 ||
                    (bytesPerSector & (bytesPerSector - 1)) ||
                    layout.clusterCount < kMinFat32Clusters ||
                    layout.clusterCount > kMaxFat32Clusters,
                "a volume is refused only for its sector size or its cluster count");
        return 0;
    }
    const uint64_t clusterBytes = uint64_t{layout.sectorsPerCluster} * bytesPerSector;
    Require(layout.sectorsPerCluster >= 1 && layout.sectorsPerCluster <= 128 &&
                !(layout.sectorsPerCluster & (layout.sectorsPerCluster - 1)),
            "sectors per cluster is a power of two that fits its byte");
    Require(clusterBytes ==
                std::max<uint64_t>(bytesPerSector,
                                   Fat32ClusterBytes(uint64_t{totalSectors} * bytesPerSector)),
            "clusters are Windows' size, at least a sector");
    Require(layout.reservedSectors > kBackupBootSector + kSecondCodeSector &&
                layout.reservedSectors > kFsInfoSector,
            "the reserved area holds the boot sectors, their copies and the second code sectors");
    Require(layout.firstDataSector ==
                layout.reservedSectors + layout.fatCount * uint64_t{layout.fatSectors},
            "the data area follows the FATs");
    const uint64_t end =
        layout.firstDataSector + uint64_t{layout.clusterCount} * layout.sectorsPerCluster;
    Require(end <= totalSectors, "the data area stays inside the volume");
    Require(totalSectors - end < layout.sectorsPerCluster, "no whole cluster is left unused");
    const uint64_t entriesPerSector = bytesPerSector / 4;
    Require(uint64_t{layout.fatSectors} * entriesPerSector >= uint64_t{layout.clusterCount} + 2,
            "the FAT covers every cluster");
    Require(layout.fatSectors == 1 || (layout.fatSectors - 1) * entriesPerSector <
                                          ClustersLeftBy(layout, layout.fatSectors - 1) + 2,
            "the FAT is the smallest that suffices");

    // The boot sector tells every reader the same layout, and our own boot-record run accepts it.
    const std::vector<uint8_t> boot = Fat32BootSector(layout, label, serial);
    Require(boot.size() == bytesPerSector, "a sector is a sector");
    const uint8_t* s = boot.data();
    Require(Get16(s + 11) == bytesPerSector && s[13] == layout.sectorsPerCluster &&
                Get16(s + 14) == layout.reservedSectors && s[16] == layout.fatCount &&
                Get16(s + 17) == 0 && Get16(s + 19) == 0 && Get16(s + 22) == 0 &&
                Get32(s + 28) == hiddenSectors && Get32(s + 32) == totalSectors &&
                Get32(s + 36) == layout.fatSectors && Get32(s + 44) == kRootCluster,
            "the BPB states the layout");
    Require(std::memcmp(s + 71, label.bytes.data(), 11) == 0, "the BPB carries the label");
    const Fat32BootFacts facts = ReadFat32BootFacts(s, bytesPerSector, hiddenSectors);
    Require(facts.ok && facts.reservedSectors == layout.reservedSectors &&
                facts.backupBootSector == kBackupBootSector,
            "a boot record can be installed on our own volume");

    const std::vector<uint8_t> fsInfo = Fat32FsInfoSector(layout);
    Require(Get32(fsInfo.data()) == 0x41615252 && Get32(fsInfo.data() + 484) == 0x61417272 &&
                Get32(fsInfo.data() + 508) == 0xAA550000,
            "the FSInfo sector carries its signatures");
    Require(Get32(fsInfo.data() + 488) == layout.clusterCount - 1,
            "all but the root's cluster are free");

    const std::vector<uint8_t> fat = Fat32FirstFatSector(layout);
    Require(fat[0] == s[21] && (Get32(fat.data() + 8) & 0x0FFFFFFF) >= 0x0FFFFFF8,
            "the FAT's media entry matches, and the root is one cluster");

    const std::vector<uint8_t> root = Fat32RootSector(layout, label, fatDate, fatTime);
    Require(root.size() == bytesPerSector, "a sector is a sector");
    if (label.named) {
        Require(std::memcmp(root.data(), label.bytes.data(), 11) == 0 && root[11] == 0x08 &&
                    Get16(root.data() + 22) == fatTime && Get16(root.data() + 24) == fatDate,
                "a named volume's root begins with its label entry");
    } else {
        Require(root[0] == 0, "an unnamed volume's root is empty");
    }
    return 0;
}

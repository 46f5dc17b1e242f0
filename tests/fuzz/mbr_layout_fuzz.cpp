// The stick's partition plan and table for any disk size and sector size, and the reading of any
// sector 0 a stick arrives with.
#include "disk/byte_order.h"
#include "disk/mbr_layout.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr uint64_t kSectorNumbers = uint64_t{1} << 32;

uint64_t LbaOfChs(const uint8_t* chs) {
    const uint64_t cylinder = chs[2] | uint64_t{chs[1] & 0xC0u} << 2;
    return (cylinder * 255 + chs[0]) * 63 + (chs[1] & 0x3F) - 1;
}

void CheckChs(uint64_t lba) {
    const Chs chs = ChsOfLba(lba);
    const uint8_t bytes[] = {chs.head, chs.sector, chs.cylinder};
    if (lba < 1024ull * 255 * 63) {
        Require(chs.head < 255 && (chs.sector & 0x3F) >= 1 && (chs.sector & 0x3F) <= 63,
                "a CHS address is in range");
        Require(LbaOfChs(bytes) == lba, "a CHS address names its sector");
    } else {
        Require(chs.head == 254 && chs.sector == 0xFF && chs.cylinder == 0xFF,
                "past cylinder 1023 the address is 1023/254/63");
    }
}

uint32_t ConsumeSectorSize(FuzzedDataProvider& input) {
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0) return input.ConsumeIntegral<uint32_t>();
    return 512u << input.ConsumeIntegralInRange<int>(0, 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const uint64_t diskSectors =
        input.ConsumeIntegral<uint64_t>() >> input.ConsumeIntegralInRange<int>(0, 63);
    const uint32_t sectorSize = ConsumeSectorSize(input);
    const uint8_t type = input.ConsumeIntegralInRange<uint8_t>(1, 255);
    const bool active = input.ConsumeBool();
    const uint32_t signature = input.ConsumeIntegral<uint32_t>();
    std::array<uint8_t, 512> found{};
    const std::vector<uint8_t> arrived = input.ConsumeBytes<uint8_t>(512);
    std::copy(arrived.begin(), arrived.end(), found.begin());
    std::array<uint8_t, 440> bootCode{};
    for (size_t i = 0; i < bootCode.size(); ++i) bootCode[i] = static_cast<uint8_t>(i * 7 + 1);

    CheckChs(diskSectors);
    CheckChs(Get32(found.data() + 454));

    const PartitionSpan span = PlanStickPartition(diskSectors, sectorSize);
    const uint64_t reachable = std::min(diskSectors, kSectorNumbers);
    if (span.ok) {
        Require(uint64_t{span.start} * sectorSize == 1024 * 1024, "the partition starts at 1 MiB");
        Require(span.count >= 1 && span.start + uint64_t{span.count} == reachable,
                "the partition runs to the disk's end or the last sector 32 bits reach");
    } else {
        Require(sectorSize == 0 || (1024 * 1024) % sectorSize != 0 ||
                    reachable <= 1024 * 1024 / sectorSize,
                "only a disk without room after 1 MiB, or an odd sector size, is refused");
    }

    // Whatever sector 0 holds, a table it passes names a partition on the disk.
    const TablePartition boot = BootPartition(found.data());
    if (HasPartitionTable(found.data(), diskSectors)) {
        Require(boot.found && boot.type != 0 && boot.start >= 1 &&
                    uint64_t{boot.start} + boot.count <= diskSectors,
                "a valid table's boot partition lies on the disk after sector 0");
    }
    const uint8_t* expected = nullptr;
    for (int i = 0; i < 4; ++i) {
        const uint8_t* entry = found.data() + 446 + 16 * i;
        if (entry[4] == 0 || (expected && (expected[0] == 0x80 || entry[0] != 0x80))) continue;
        expected = entry;
    }
    Require(boot.found == (expected != nullptr), "a table with an entry has a boot partition");
    if (expected) {
        Require(boot.type == expected[4] && boot.start == Get32(expected + 8) &&
                    boot.count == Get32(expected + 12),
                "the boot partition is the first active entry, or the first when none is");
    }

    if (!span.ok) return 0;
    std::array<uint8_t, 512> sector;
    sector.fill(0xA5);
    LayOutMbr(sector.data(), bootCode.data(), signature,
              MakePartitionEntry(span.start, span.count, type, active));
    Require(std::equal(bootCode.begin(), bootCode.end(), sector.begin()),
            "the boot code is laid in");
    Require(Get32(sector.data() + 440) == signature && Get16(sector.data() + 444) == 0,
            "the signature is laid in, followed by two zero bytes");
    Require(sector[510] == 0x55 && sector[511] == 0xAA, "the sector carries its mark");
    Require(
        std::all_of(sector.begin() + 462, sector.begin() + 510, [](uint8_t b) { return b == 0; }),
        "the other entries are empty");
    Require(HasPartitionTable(sector.data(), diskSectors), "a laid-out table passes its own check");
    const TablePartition read = BootPartition(sector.data());
    Require(read.found && read.type == type && read.start == span.start && read.count == span.count,
            "the table reads back");
    Require(sector[446] == (active ? 0x80 : 0), "the active mark is as asked");
    CheckChs(span.start);
    const uint8_t* entry = sector.data() + 446;
    Require(LbaOfChs(entry + 1) == span.start, "the first CHS address is the start");
    const uint64_t last = span.start + uint64_t{span.count} - 1;
    if (last < 1024ull * 255 * 63)
        Require(LbaOfChs(entry + 5) == last, "the last CHS address is the end");
    return 0;
}

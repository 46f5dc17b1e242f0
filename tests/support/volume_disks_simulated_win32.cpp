// The test build's answer to "which disks hold this volume": Wine answers no extent query for a
// folder mapped as a drive, so the file named by TARNVIK_TEST_DISKS_FILE says it ("E 3", "F 3":
// F: is a second volume of E:'s disk). Paths on letters not listed lie on no known disk. Only the
// test build links this unit.
#include "drives/volume_disks.h"
#include "tests/support/disk_placements.h"

bool DisksOfPath(const std::wstring& path, std::vector<uint32_t>& disks) {
    disks.clear();
    if (path.size() < 2 || path[1] != L':') return false;
    for (const support::Placement& placement : support::Placements(L"TARNVIK_TEST_DISKS_FILE")) {
        if (placement.letter == std::towupper(path[0])) disks.push_back(placement.disk);
    }
    return !disks.empty();
}

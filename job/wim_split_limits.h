#pragma once
#include <cstdint>

// When a FAT32 job splits the installer's image, and how large its parts may be.
struct WimSplitLimits {
    int64_t largestWhole = 0;  // larger than this, the image is split
    uint64_t partLimit = 0;    // the largest part file, header, blob table and XML included
};

// FAT32's largest file and Microsoft's part size in the shipped program; the tests' build links a
// unit of its own in place of this one's.
WimSplitLimits CurrentWimSplitLimits();

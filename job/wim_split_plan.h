#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "job/wim_layout.h"

// Why an image is not split. Each has a text that ends the sentence "... cannot be split: ".
enum class WimRefusal {
    None,
    NotWim,
    UnknownVersion,
    Solid,
    AlreadySplit,
    NoImage,
    Damaged,
    ResourceTooLarge,
    MetadataTooLarge,
    TooManyParts,
};

std::wstring WimRefusalText(WimRefusal refusal);

// The blob table and the XML are read whole into memory; real ones are a few megabytes at most.
constexpr uint64_t kWimLargestTable = 64 * 1024 * 1024;

// What can be judged from the header alone, given the image's size.
WimRefusal CheckWimHeader(const WimHeader& header, uint64_t fileSize);

// What the first pass keeps of an image: the plan is made from it.
struct WimSplitSource {
    uint64_t size = 0;
    WimHeader header;
    std::vector<uint8_t> blobTable;
    std::vector<uint8_t> xml;
};

// One resource of the image in its part file.
struct WimPlacedResource {
    uint32_t entry = 0;  // its index in the image's blob table
    uint64_t sourceOffset = 0;
    uint64_t size = 0;
    uint64_t partOffset = 0;
};

struct WimSplitPart {
    uint16_t number = 0;  // 1 to the number of parts
    // In stream order, back to back from the end of the header; its blob table and the XML
    // follow the last of them.
    std::vector<WimPlacedResource> resources;
    std::array<uint8_t, kWimHeaderSize> header{};
    std::vector<uint8_t> blobTable;
    uint64_t size = 0;  // of the whole part file
};

struct WimSplitPlan {
    uint64_t sourceSize = 0;
    std::vector<uint8_t> xml;  // the same in every part
    std::vector<WimSplitPart> parts;
};

// The largest part file the program writes, header, blob table and XML included: Microsoft's
// figure for FAT32 sticks, well below FAT32's largest file.
constexpr uint64_t kWimPartLimit = 3800ull * 1024 * 1024;

// Splits the image into parts of at most partLimit bytes each. Its metadata resources all go in
// part 1; the others fill the parts in stream order, a part closing when the next resource would
// take it past the limit. The plan is left empty when the image is refused.
WimRefusal PlanWimSplit(const WimSplitSource& source, uint64_t partLimit, WimSplitPlan& plan);

// "install.swm", "install2.swm", ...: the names Windows Setup looks for.
std::wstring WimPartFileName(uint16_t number);

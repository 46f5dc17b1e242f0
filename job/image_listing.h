#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One item of an image as 7-Zip lists it, in the archive's own order: the order in which it also
// streams the files' contents.
struct ImageEntry {
    std::wstring path;  // relative, with backslashes
    int64_t size = 0;
    bool folder = false;
};

struct ImageListing {
    std::vector<ImageEntry> entries;
    int64_t fileBytes = 0;  // the sum of the files' sizes
};

// Reads 7-Zip's technical listing ("l -slt", UTF-8 output): the items after the "----------"
// line. False when there is no such part or an item has no readable size, which is how a
// listing of something 7-Zip could not open looks.
bool ParseImageListing(const std::string& utf8, ImageListing& listing);

// FAT32 keeps a file's size in 32 bits: 4 GiB less one byte is the largest file it can hold.
constexpr int64_t kFat32LargestFile = 0xFFFFFFFFLL;
// The first file FAT32 cannot hold, or null.
const ImageEntry* FirstFileTooLargeForFat32(const ImageListing& listing);

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
// A Windows installer's image of the system; too large for FAT32, a FAT32 job splits it into
// install.swm parts in the same folder, which Windows Setup installs from.
inline constexpr wchar_t kInstallWimPath[] = L"sources\\install.wim";
// The listing's sources\install.wim (any letter case), or null.
const ImageEntry* FindInstallWim(const ImageListing& listing);
// The first file FAT32 cannot hold, or null. The installer's image is not one: it is split.
const ImageEntry* FirstFileTooLargeForFat32(const ImageListing& listing);
// The installer's image that a job onto that file system splits: a FAT32 job's when it is
// larger than largestWhole (FAT32's largest file in the shipped program), otherwise null.
const ImageEntry* WimToSplit(const ImageListing& listing, const std::wstring& fileSystem,
                             int64_t largestWhole);

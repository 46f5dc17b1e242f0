#pragma once
#include <array>
#include <string>

// A FAT volume label as stored: 11 bytes, blank-padded.
struct FatLabel {
    std::array<char, 11> bytes{};
    bool named = false;  // false: "NO NAME", and no label entry in the root directory
};

// The label as Windows' own format stores a typed one: upper case, characters FAT forbids in a
// label (and anything outside printable ASCII, which has no single OEM byte everywhere) as "_",
// cut to 11 bytes. An empty or all-blank label gives "NO NAME".
FatLabel MakeFatLabel(const std::wstring& typed);

// An NTFS label as Windows' format takes a typed one: as typed, cut to the 32 characters NTFS
// holds (a character outside the basic plane is not split).
std::wstring NtfsLabel(const std::wstring& typed);

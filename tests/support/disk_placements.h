#pragma once
// The test builds' stand-in for the system's answer to "which disks hold this volume": the file
// that a variable names, one line "LETTER DISK [BUS]" per extent ("E 3", "F 9 usb"); a letter
// listed twice lies on two disks.
#include <cstdio>
#include <cwctype>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/small_files.h"

namespace support {

struct Placement {
    wchar_t letter = 0;
    uint32_t disk = 0;
    std::string bus;
};

inline std::vector<Placement> Placements(const wchar_t* variable) {
    std::vector<Placement> placements;
    const std::wstring path = Variable(variable);
    std::istringstream lines(path.empty() ? std::string() : FileText(path));
    for (std::string line; std::getline(lines, line);) {
        char letter = 0, bus[16] = {};
        unsigned disk = 0;
        if (std::sscanf(line.c_str(), " %c %u %15s", &letter, &disk, bus) >= 2)
            placements.push_back({static_cast<wchar_t>(std::towupper(letter)), disk, bus});
    }
    return placements;
}

}  // namespace support

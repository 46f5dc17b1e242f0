// The test build's answer to "which disks hold this volume": Wine answers no extent query for a
// folder mapped as a drive, so the file named by TARNVIK_TEST_DISKS_FILE says it, one line
// "LETTER DISK" per extent ("E 3", "F 3": F: is a second volume of E:'s disk). Paths on letters
// not listed lie on no known disk. Only the test build links this unit.
#include <windows.h>

#include <cstdio>
#include <cwctype>

#include "drives/volume_disks.h"

bool DisksOfPath(const std::wstring& path, std::vector<uint32_t>& disks) {
    disks.clear();
    wchar_t listPath[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"TARNVIK_TEST_DISKS_FILE", listPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || path.size() < 2 || path[1] != L':') return false;
    FILE* list = _wfopen(listPath, L"r");
    if (!list) return false;
    char letter = 0;
    unsigned disk = 0;
    while (std::fscanf(list, " %c %u", &letter, &disk) == 2) {
        if (std::towupper(static_cast<wchar_t>(letter)) == std::towupper(path[0]))
            disks.push_back(disk);
    }
    std::fclose(list);
    return !disks.empty();
}

#pragma once
#include <cstdint>
#include <string>

// Total bytes of the files under a folder (ending in a backslash) and its sub-folders whose names
// match the pattern; 0 for a folder that cannot be listed.
int64_t CountAddFilesBytes(const std::wstring& folder, const std::wstring& pattern);

// The folder "TarnvikAddFiles" under the current directory, ending in a backslash.
std::wstring AddFilesFolder();

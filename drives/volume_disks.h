#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The physical disk numbers of every extent of the volume that holds a path (a drive root, a
// folder or a file). False when that cannot be told (a network share, a volume that answers no
// extents). Its own link-time unit: the program's test build replaces it, since Wine answers no
// disk-extent query for a folder standing in for a stick.
bool DisksOfPath(const std::wstring& path, std::vector<uint32_t>& disks);

#pragma once
#include <cstdint>
#include <string>

constexpr int64_t kPathMissing = -1;
constexpr int64_t kPathIsFolder = -2;

// Size of a file in bytes, kPathMissing for nothing there, kPathIsFolder for a folder or a
// drive root the system reports a drive type for.
int64_t PathSize(const std::wstring& path);

#pragma once
#include <string>

// The process's current directory, ending in a backslash.
std::wstring CurrentFolder();
// The path made absolute against the current directory; as it is when that fails.
std::wstring FullPath(const std::wstring& path);
// The user's temp folder in its long form, ending in a backslash.
std::wstring TempFolder();

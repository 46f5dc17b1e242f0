#pragma once
#include <string>

// The process's current directory, ending in a backslash.
std::wstring CurrentFolder();
// The user's temp folder in its long form, ending in a backslash.
std::wstring TempFolder();

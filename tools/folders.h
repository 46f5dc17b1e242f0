#pragma once
#include <string>

// The process's current directory, ending in a backslash.
std::wstring CurrentFolder();

#pragma once
#include <string>

// CPU seconds of Windows programs as Linux counts them, read from /proc through Wine's Z: drive:
// Wine's own process times leave out the system's share. A program's own /proc/self cannot be
// used: Wine's server opens files, so "self" would be the server.

// The CPU seconds (user and system) of the process whose command line holds the marker, or of
// its first thread (the user-interface thread) alone; -1 when it is not found.
double UnixCpuSeconds(const std::string& marker);
double MainThreadCpuSeconds(const std::string& marker);

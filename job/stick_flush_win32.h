#pragma once
#include <string>

// Before the stick is read back: everything written to the volume (drive root "E:\") goes out to
// the device, so that the reads that follow, past the cache, see what the stick really holds.
// Best effort: the unbuffered reads of the check make the system write out each file anyway.
void FlushStickForReadBack(const std::wstring& root);

#pragma once
#include <windows.h>

#include <cstdint>

// Asks Windows to read a disk's partition table again after it was rewritten.
void RereadPartitionTable(HANDLE disk);

// Waits, up to about 15 s, until the drive letter names a mounted volume on the disk again, and
// gives the letter to the disk's new volume when Windows gave it another one or none while the
// letter is free. False when the letter does not come back.
bool RestoreDriveLetter(wchar_t letter, uint32_t disk);

#pragma once
#include <windows.h>

#include <cstdint>

#include "disk/volume_disk_win32.h"

// Asks Windows to read a disk's partition table again after it was rewritten.
void RereadPartitionTable(HANDLE disk);

// Waits, up to about 15 s, until the drive letter names a mounted volume on the disk again, and
// gives the letter to the disk's new volume when Windows gave it another one or none while the
// letter is free. False when the letter does not come back.
bool RestoreDriveLetter(wchar_t letter, uint32_t disk);

// As RestoreDriveLetter, for a partition that holds no file system yet: the letter must name the
// volume of exactly that partition, which Windows shows as RAW until it is formatted.
bool RestoreDriveLetterUnformatted(wchar_t letter, const PartitionPlace& partition);

// Waits, up to about 15 s, until the drive letter's volume, on the disk, is mounted with the file
// system named ("NTFS"). False when it is not.
bool AwaitFileSystem(wchar_t letter, uint32_t disk, const wchar_t* fileSystem);

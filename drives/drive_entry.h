#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A DriveEntry is one text per present drive letter, its fields joined by "**":
// root, bus marker with type tag, label, file system, size (the last three only when described).

// "E:\" for index 4.
std::wstring DriveRoot(int letterIndex);
// "\\?\E:" for "E:\"; a path already in "\\?\" form is kept.
std::wstring VolumeDevicePath(const std::wstring& path);
// "**USB" or "**NOTUSB".
std::wstring BusMarker(bool onUsb);

// What a described entry gets after its bus marker, from the values the system returned:
// the type tag, the trimmed label, "**", the trimmed file system and, for removable and fixed
// drives, "**" and the total size text. Empty text for a type outside 0 to 6.
bool DriveTypeIsDescribed(unsigned driveType);
bool DriveTypeHasSize(unsigned driveType);
std::wstring DriveDescription(unsigned driveType, const std::wstring& label,
                              const std::wstring& fileSystem, int64_t totalBytes);

// Fields 1 to 5 of an entry (index 0 to 4); missing fields are empty text.
std::vector<std::wstring> DriveEntryFields(const std::wstring& entry);
bool IsUsbEntry(const std::wstring& entry);
std::wstring DriveLabel(const std::wstring& entry);
// "E:\ [MyUSB]  FD FAT32  (7.45 GB)"
std::wstring DriveRowText(const std::wstring& entry);
// "USBFD E:\ [MyUSB] FAT32 (7.45 GB)"
std::wstring DriveLogLine(const std::wstring& entry);
// The first three characters of a DriveList row: its drive root, or empty text.
std::wstring RootOfRow(const std::wstring& rowText);

std::wstring TrimBlanks(const std::wstring& text);

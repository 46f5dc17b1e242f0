#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "disk/block_device.h"
#include "tools/unique_handle_win32.h"

// "\\.\PhysicalDriveN".
std::wstring PhysicalDrivePath(uint32_t disk);

// A whole disk opened for raw reads and writes. Unbuffered device I/O wants sector-aligned
// memory, so every transfer passes through an aligned buffer of the disk's own.
class PhysicalDisk final : public BlockDevice {
  public:
    // Opens the disk and learns its size and sector size from the device. An image file that
    // Wine shows as a disk answers no geometry; it is taken at its exact file size in 512-byte
    // sectors. False when the disk cannot be opened or its size is not known exactly.
    bool Open(const std::wstring& path);
    void Close();
    HANDLE Handle() const { return handle_.get(); }

    uint64_t SizeBytes() const override { return size_; }
    uint32_t SectorSize() const override { return sectorSize_; }
    bool Read(uint64_t offset, void* buffer, size_t length) override;
    bool Write(uint64_t offset, const void* buffer, size_t length) override;
    bool Flush() override;

  private:
    bool WholeSectorsInside(uint64_t offset, size_t length) const;
    bool Seek(uint64_t offset);

    UniqueHandle handle_;
    uint64_t size_ = 0;
    uint32_t sectorSize_ = 0;
    UniqueVirtualMemory transfer_;
};

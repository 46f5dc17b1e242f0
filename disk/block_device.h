#pragma once
#include <cstddef>
#include <cstdint>

// A whole disk as the layout code sees it: bytes at offsets, in whole logical sectors.
class BlockDevice {
  public:
    virtual ~BlockDevice() = default;
    virtual uint64_t SizeBytes() const = 0;
    virtual uint32_t SectorSize() const = 0;
    // Offsets and lengths are whole sectors; false on any failure or short transfer.
    virtual bool Read(uint64_t offset, void* buffer, size_t length) = 0;
    virtual bool Write(uint64_t offset, const void* buffer, size_t length) = 0;
    // Everything written has reached the device.
    virtual bool Flush() = 0;
};

#pragma once
#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "disk/block_device.h"

// A sparse disk in memory: sectors never written, or written with zeros, read back as zeros. It
// can be told to fail writes from a given one on, as a pulled stick would.
class MemoryDisk : public BlockDevice {
  public:
    MemoryDisk(uint64_t bytes, uint32_t sectorSize) : bytes_(bytes), sectorSize_(sectorSize) {}
    uint64_t SizeBytes() const override { return bytes_; }
    uint32_t SectorSize() const override { return sectorSize_; }
    bool Read(uint64_t offset, void* buffer, size_t length) override {
        if (!Fits(offset, length)) return false;
        auto* out = static_cast<uint8_t*>(buffer);
        for (size_t done = 0; done < length; done += sectorSize_) {
            const auto found = sectors_.find((offset + done) / sectorSize_);
            if (found == sectors_.end()) {
                std::memset(out + done, 0, sectorSize_);
            } else {
                std::memcpy(out + done, found->second.data(), sectorSize_);
            }
        }
        return true;
    }
    bool Write(uint64_t offset, const void* buffer, size_t length) override {
        if (!Fits(offset, length) || writesLeft_ == 0) return false;
        if (writesLeft_ > 0) --writesLeft_;
        const auto* in = static_cast<const uint8_t*>(buffer);
        for (size_t done = 0; done < length; done += sectorSize_) {
            const uint64_t sector = (offset + done) / sectorSize_;
            if (std::all_of(in + done, in + done + sectorSize_, [](uint8_t b) { return b == 0; })) {
                sectors_.erase(sector);
            } else {
                sectors_[sector].assign(in + done, in + done + sectorSize_);
            }
        }
        ++writes_;
        return true;
    }
    bool Flush() override { return true; }

    std::vector<uint8_t> Sector(uint64_t lba) {
        std::vector<uint8_t> data(sectorSize_);
        Read(lba * sectorSize_, data.data(), data.size());
        return data;
    }
    void Put(uint64_t lba, const std::vector<uint8_t>& data) {
        Write(lba * sectorSize_, data.data(), data.size());
    }
    void FailWritesAfter(int count) { writesLeft_ = count; }
    int Writes() const { return writes_; }
    const std::map<uint64_t, std::vector<uint8_t>>& Written() const { return sectors_; }

  private:
    bool Fits(uint64_t offset, size_t length) const {
        return offset % sectorSize_ == 0 && length % sectorSize_ == 0 && offset + length <= bytes_;
    }
    uint64_t bytes_;
    uint32_t sectorSize_;
    std::map<uint64_t, std::vector<uint8_t>> sectors_;
    int writesLeft_ = -1;
    int writes_ = 0;
};

#pragma once
#include <cstring>
#include <map>
#include <vector>

#include "disk/block_device.h"

// A sparse disk in memory: sectors never written, or written with zeros, read back as zeros. It
// remembers every write and notes any access that is not whole sectors inside it, and can refuse
// writes from a given one on, as a pulled stick does.
class MemoryDisk : public BlockDevice {
  public:
    MemoryDisk(uint64_t bytes, uint32_t sectorSize) : bytes_(bytes), sectorSize_(sectorSize) {}
    uint64_t SizeBytes() const override { return bytes_; }
    uint32_t SectorSize() const override { return sectorSize_; }
    bool Read(uint64_t offset, void* buffer, size_t length) override {
        if (!Inside(offset, length)) return false;
        auto* out = static_cast<uint8_t*>(buffer);
        for (size_t done = 0; done < length; done += sectorSize_) {
            const auto found = sectors.find((offset + done) / sectorSize_);
            if (found == sectors.end()) {
                std::memset(out + done, 0, sectorSize_);
            } else {
                std::memcpy(out + done, found->second.data(), sectorSize_);
            }
        }
        return true;
    }
    bool Write(uint64_t offset, const void* buffer, size_t length) override {
        if (!Inside(offset, length)) return false;
        if (writesLeft == 0) {
            refused = true;
            return false;
        }
        if (writesLeft > 0) --writesLeft;
        writes.push_back({offset / sectorSize_, length / sectorSize_});
        Store(offset / sectorSize_, static_cast<const uint8_t*>(buffer), length / sectorSize_);
        return true;
    }
    bool Flush() override { return true; }

    void Store(uint64_t lba, const uint8_t* in, uint64_t count) {
        const size_t length = count * sectorSize_;
        // Runs of zeros are most of what a format writes; they only drop what was there.
        if (length && in[0] == 0 && std::memcmp(in, in + 1, length - 1) == 0) {
            sectors.erase(sectors.lower_bound(lba), sectors.lower_bound(lba + count));
            return;
        }
        static const uint8_t kZeros[4096] = {};
        for (uint64_t i = 0; i < count; ++i, in += sectorSize_) {
            if (std::memcmp(in, kZeros, sectorSize_) == 0) {
                sectors.erase(lba + i);
            } else {
                sectors[lba + i].assign(in, in + sectorSize_);
            }
        }
    }
    std::vector<uint8_t> At(uint64_t lba) const {
        const auto found = sectors.find(lba);
        return found == sectors.end() ? std::vector<uint8_t>(sectorSize_, 0) : found->second;
    }
    // Set-up, not a write of the code under test: not counted, never refused.
    void Put(uint64_t lba, const std::vector<uint8_t>& data) {
        Store(lba, data.data(), data.size() / sectorSize_);
    }
    int Writes() const { return static_cast<int>(writes.size()); }

    std::map<uint64_t, std::vector<uint8_t>> sectors;   // the sectors that are not all zeros
    std::vector<std::pair<uint64_t, uint64_t>> writes;  // first sector and count of each write
    bool strayAccess = false;
    bool refused = false;
    int writesLeft = -1;

  private:
    bool Inside(uint64_t offset, size_t length) {
        const bool inside = sectorSize_ != 0 && offset % sectorSize_ == 0 &&
                            length % sectorSize_ == 0 && length <= bytes_ &&
                            offset <= bytes_ - length;
        strayAccess = strayAccess || !inside;
        return inside;
    }
    uint64_t bytes_;
    uint32_t sectorSize_;
};

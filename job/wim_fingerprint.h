#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// A stream's fingerprint: a 64-bit hash of each block, so that a later pass over the same stream
// can tell, block by block, whether it gives the bytes the first pass saw. Fast, not
// cryptographic: it guards against a changed or misread image, not against an adversary.
constexpr uint64_t kWimFingerprintBlock = 1024 * 1024;

struct WimFingerprint {
    uint64_t blockSize = kWimFingerprintBlock;
    std::vector<uint64_t> blocks;  // the last one may cover less than a block
};

// Where the block holding stream offset `at` ends (the largest offset when it would end past it).
inline uint64_t WimBlockEnd(uint64_t at, uint64_t blockSize) {
    const uint64_t end = at - at % blockSize + blockSize;
    return end > at ? end : UINT64_MAX;
}

// The hash of one block, fed in pieces of any size.
class WimBlockHash {
  public:
    void Add(const uint8_t* data, size_t size);
    // The block's hash; the next Add begins another block.
    uint64_t Take();

  private:
    static constexpr size_t kStride = 32;  // four words, one for each lane

    void Step(const uint8_t* words);

    // Four independent chains keep the multiplier busy: one alone runs at a quarter the speed.
    std::array<uint64_t, 4> lanes_{};
    std::array<uint8_t, kStride> pending_{};  // the start of a stride not yet complete
    size_t pendingSize_ = 0;
};

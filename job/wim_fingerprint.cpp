#include "job/wim_fingerprint.h"

#include <cstring>

namespace {

constexpr uint64_t kWordFactor = 0x9E3779B97F4A7C15ull;
constexpr uint64_t kLaneFactor = 0xC2B2AE3D27D4EB4Full;

// For a given word this is a bijection of the lane, and for a given lane a bijection of the word:
// a block that differs in a single word always hashes differently.
uint64_t Mix(uint64_t lane, uint64_t word) {
    lane ^= word * kWordFactor;
    return (lane << 29 | lane >> 35) * kLaneFactor;
}

uint64_t LoadWord(const uint8_t* at) {
    // The byte order does not matter: every pass over a stream hashes on the same machine.
    uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

}  // namespace

void WimBlockHash::Step(const uint8_t* words) {
    for (size_t i = 0; i < lanes_.size(); ++i) lanes_[i] = Mix(lanes_[i], LoadWord(words + 8 * i));
}

void WimBlockHash::Add(const uint8_t* data, size_t size) {
    if (size == 0) return;
    if (pendingSize_ > 0) {
        const size_t take = size < kStride - pendingSize_ ? size : kStride - pendingSize_;
        std::memcpy(pending_.data() + pendingSize_, data, take);
        pendingSize_ += take;
        data += take;
        size -= take;
        if (pendingSize_ < kStride) return;
        Step(pending_.data());
        pendingSize_ = 0;
    }
    for (; size >= kStride; data += kStride, size -= kStride) Step(data);
    if (size > 0) std::memcpy(pending_.data(), data, size);
    pendingSize_ = size;
}

uint64_t WimBlockHash::Take() {
    // The tail is padded with zeros: blocks compared with each other have the same length.
    if (pendingSize_ > 0) {
        std::memset(pending_.data() + pendingSize_, 0, kStride - pendingSize_);
        Step(pending_.data());
    }
    uint64_t hash = 0;
    for (uint64_t lane : lanes_) hash = Mix(hash, lane);
    lanes_ = {};
    pendingSize_ = 0;
    return hash;
}

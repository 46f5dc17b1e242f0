#include "job/wim_scan.h"

#include <algorithm>

namespace {

// Copies what of the piece at stream offset `at` falls in [offset, offset + kept.size()).
void Keep(const uint8_t* data, size_t size, uint64_t at, uint64_t offset,
          std::vector<uint8_t>& kept) {
    const uint64_t end = offset + kept.size();
    const uint64_t from = std::max(at, offset);
    const uint64_t to = std::min(at + size, end);
    if (from >= to) return;
    std::copy(data + static_cast<size_t>(from - at), data + static_cast<size_t>(to - at),
              kept.begin() + static_cast<ptrdiff_t>(from - offset));
}

}  // namespace

WimScan::WimScan(uint64_t expectedSize, uint64_t fingerprintBlock) {
    source_.size = expectedSize;
    fingerprint_.blockSize = fingerprintBlock > 0 ? fingerprintBlock : kWimFingerprintBlock;
    if (expectedSize < kWimHeaderSize) refusal_ = WimRefusal::NotWim;
}

void WimScan::TakeHeader() {
    ReadWimHeader(header_.data(), header_.size(), source_.header);
    refusal_ = CheckWimHeader(source_.header, source_.size);
    if (refusal_ != WimRefusal::None) return;
    // Both lie in the image and are at most kWimLargestTable bytes.
    source_.blobTable.resize(static_cast<size_t>(source_.header.blobTable.storedSize));
    source_.xml.resize(static_cast<size_t>(source_.header.xml.storedSize));
}

bool WimScan::Feed(const uint8_t* data, size_t size) {
    if (refusal_ != WimRefusal::None || long_) return false;
    while (size > 0) {
        if (done_ == source_.size) {
            long_ = true;
            return false;
        }
        const uint64_t blockEnd = WimBlockEnd(done_, fingerprint_.blockSize);
        uint64_t end = done_ + std::min<uint64_t>(size, std::min(blockEnd, source_.size) - done_);
        // The header is judged before anything else is kept.
        if (done_ < kWimHeaderSize) end = std::min<uint64_t>(end, kWimHeaderSize);
        const size_t piece = static_cast<size_t>(end - done_);
        if (done_ < kWimHeaderSize) {
            std::copy(data, data + piece, header_.begin() + static_cast<ptrdiff_t>(done_));
        } else {
            Keep(data, piece, done_, source_.header.blobTable.offset, source_.blobTable);
            Keep(data, piece, done_, source_.header.xml.offset, source_.xml);
        }
        hash_.Add(data, piece);
        done_ = end;
        data += piece;
        size -= piece;
        if (done_ == blockEnd || done_ == source_.size) fingerprint_.blocks.push_back(hash_.Take());
        if (done_ == kWimHeaderSize) {
            TakeHeader();
            if (refusal_ != WimRefusal::None) return false;
        }
    }
    return true;
}

bool WimScan::Finish() {
    if (refusal_ != WimRefusal::None || long_) return false;
    if (done_ < source_.size) {
        short_ = true;
        return false;
    }
    return true;
}

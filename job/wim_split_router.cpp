#include "job/wim_split_router.h"

#include <algorithm>

std::wstring DescribeWimRouteOutcome(const WimRouteOutcome& outcome) {
    switch (outcome.fault) {
        case WimRouteFault::None:
            return L"no fault";
        case WimRouteFault::StreamDiffers:
            return L"the image gave other bytes than before, in the block from byte " +
                   std::to_wstring(outcome.at);
        case WimRouteFault::StreamShort:
            return L"the image ended early, after " + std::to_wstring(outcome.at) + L" bytes";
        case WimRouteFault::StreamLong:
            return L"the image gave more than its " + std::to_wstring(outcome.at) + L" bytes";
        case WimRouteFault::SinkFailed:
            return WimPartFileName(outcome.part) + L" failed";
    }
    return {};
}

WimSplitRouter::WimSplitRouter(const WimSplitPlan& plan, const WimFingerprint& fingerprint,
                               WimPartSink& sink)
    : plan_(plan),
      fingerprint_(fingerprint),
      blockSize_(fingerprint.blockSize > 0 ? fingerprint.blockSize : kWimFingerprintBlock),
      sink_(sink),
      opened_(plan.parts.size(), false) {
    for (size_t p = 0; p < plan.parts.size(); ++p) {
        uint64_t end = 0;
        for (const WimPlacedResource& resource : plan.parts[p].resources) {
            if (resource.size == 0) continue;
            segments_.push_back({resource.sourceOffset, resource.size, p});
            end = std::max(end, resource.sourceOffset + resource.size);
        }
        // Its last byte must have been checked before the part is finished.
        const uint64_t closeAt =
            end == 0 ? 0 : std::min(WimBlockEnd(end - 1, blockSize_), plan.sourceSize);
        closings_.push_back({closeAt, p});
    }
    std::sort(segments_.begin(), segments_.end(),
              [](const Segment& a, const Segment& b) { return a.at < b.at; });
    std::stable_sort(closings_.begin(), closings_.end(),
                     [](const Closing& a, const Closing& b) { return a.at < b.at; });
}

bool WimSplitRouter::Fail(WimRouteFault fault, uint16_t part, uint64_t at) {
    outcome_ = {fault, part, at};
    return false;
}

bool WimSplitRouter::OpenPart(size_t part) {
    const WimSplitPart& planned = plan_.parts[part];
    opened_[part] = true;
    if (!sink_.Open(planned.number, planned.size) ||
        !sink_.Write(planned.number, planned.header.data(), planned.header.size()))
        return Fail(WimRouteFault::SinkFailed, planned.number, done_);
    return true;
}

bool WimSplitRouter::ClosePart(size_t part) {
    if (!opened_[part] && !OpenPart(part)) return false;
    const WimSplitPart& planned = plan_.parts[part];
    if ((!planned.blobTable.empty() &&
         !sink_.Write(planned.number, planned.blobTable.data(), planned.blobTable.size())) ||
        !sink_.Write(planned.number, plan_.xml.data(), plan_.xml.size()) ||
        !sink_.Close(planned.number))
        return Fail(WimRouteFault::SinkFailed, planned.number, done_);
    return true;
}

bool WimSplitRouter::CloseDue() {
    for (; closing_ < closings_.size() && closings_[closing_].at <= done_; ++closing_) {
        if (!ClosePart(closings_[closing_].part)) return false;
    }
    return true;
}

bool WimSplitRouter::Feed(const uint8_t* data, size_t size) {
    if (outcome_.fault != WimRouteFault::None) return false;
    while (size > 0) {
        if (!CloseDue()) return false;
        if (done_ == plan_.sourceSize) return Fail(WimRouteFault::StreamLong, 0, plan_.sourceSize);
        while (segment_ < segments_.size() &&
               segments_[segment_].at + segments_[segment_].size <= done_)
            ++segment_;
        const Segment* segment = segment_ < segments_.size() ? &segments_[segment_] : nullptr;
        const bool inside = segment && segment->at <= done_;
        const uint64_t blockEnd = std::min(WimBlockEnd(done_, blockSize_), plan_.sourceSize);
        uint64_t end = blockEnd;
        if (segment) end = std::min(end, inside ? segment->at + segment->size : segment->at);
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(size, end - done_));

        hash_.Add(data, piece);
        if (done_ + piece == blockEnd) {
            if (block_ >= fingerprint_.blocks.size() || hash_.Take() != fingerprint_.blocks[block_])
                return Fail(WimRouteFault::StreamDiffers, 0, done_ - done_ % blockSize_);
            ++block_;
        }
        if (inside) {
            const uint16_t number = plan_.parts[segment->part].number;
            if (!opened_[segment->part] && !OpenPart(segment->part)) return false;
            if (!sink_.Write(number, data, piece))
                return Fail(WimRouteFault::SinkFailed, number, done_);
        }
        done_ += piece;
        data += piece;
        size -= piece;
    }
    return CloseDue();
}

bool WimSplitRouter::Finish() {
    if (outcome_.fault != WimRouteFault::None) return false;
    if (done_ < plan_.sourceSize) return Fail(WimRouteFault::StreamShort, 0, done_);
    return CloseDue();
}

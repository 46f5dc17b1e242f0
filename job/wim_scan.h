#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "job/wim_fingerprint.h"
#include "job/wim_layout.h"
#include "job/wim_split_plan.h"

// The first pass over an image streamed out of the ISO: its header (judged as soon as it has
// passed), its blob table and XML (kept as they pass) and the stream's fingerprint.
class WimScan {
  public:
    // expectedSize is the image's size as 7-Zip lists it.
    explicit WimScan(uint64_t expectedSize, uint64_t fingerprintBlock = kWimFingerprintBlock);

    // Takes the stream's next bytes. False once the image is refused (stop the archiver: the
    // rest is not needed) or the stream gave more than expected.
    bool Feed(const uint8_t* data, size_t size);
    // The stream has ended: true when it gave exactly the expected bytes of an image not refused.
    bool Finish();

    WimRefusal Refusal() const { return refusal_; }
    bool StreamShort() const { return short_; }
    bool StreamLong() const { return long_; }
    uint64_t BytesDone() const { return done_; }
    // Complete once Finish has succeeded.
    const WimSplitSource& Source() const { return source_; }
    const WimFingerprint& Fingerprint() const { return fingerprint_; }

  private:
    void TakeHeader();

    WimSplitSource source_;
    WimFingerprint fingerprint_;
    WimBlockHash hash_;
    std::array<uint8_t, kWimHeaderSize> header_{};
    uint64_t done_ = 0;
    WimRefusal refusal_ = WimRefusal::None;
    bool short_ = false;
    bool long_ = false;
};

#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "job/wim_fingerprint.h"
#include "job/wim_split_plan.h"

// Where the part files go: written to the stick, or compared with the stick's in the read-back.
// Each part is opened once, given its bytes front to back and closed; several parts may be open
// at a time. After a call fails the router makes no more: what is still open is the sink's to
// discard.
class WimPartSink {
  public:
    virtual ~WimPartSink() = default;
    // size is the whole part file's.
    virtual bool Open(uint16_t part, uint64_t size) = 0;
    // The part's next bytes, valid during the call only.
    virtual bool Write(uint16_t part, const uint8_t* data, size_t size) = 0;
    virtual bool Close(uint16_t part) = 0;
};

enum class WimRouteFault { None, StreamDiffers, StreamShort, StreamLong, SinkFailed };

struct WimRouteOutcome {
    WimRouteFault fault = WimRouteFault::None;
    uint16_t part = 0;  // the part the sink failed on
    uint64_t at = 0;    // the stream offset of the block that differed, or where the stream ended
};

// What went wrong, for the log.
std::wstring DescribeWimRouteOutcome(const WimRouteOutcome& outcome);

// Routes a later pass over the image, fed in pieces of any size, into the plan's part files,
// checking it block by block against the first pass's fingerprint. A part is closed only once
// every block up to its last byte has matched; a failure anywhere fails the whole pass.
class WimSplitRouter {
  public:
    WimSplitRouter(const WimSplitPlan& plan, const WimFingerprint& fingerprint, WimPartSink& sink);

    // False once the pass has failed; the outcome says how.
    bool Feed(const uint8_t* data, size_t size);
    // The stream has ended: true when it gave the whole image as the first pass saw it and every
    // part was written and closed.
    bool Finish();
    const WimRouteOutcome& Outcome() const { return outcome_; }
    // Of the image's stream, for the progress.
    uint64_t BytesDone() const { return done_; }

  private:
    struct Segment {
        uint64_t at;
        uint64_t size;
        size_t part;
    };
    struct Closing {
        uint64_t at;
        size_t part;
    };

    bool Fail(WimRouteFault fault, uint16_t part, uint64_t at);
    bool OpenPart(size_t part);
    bool ClosePart(size_t part);
    bool CloseDue();

    const WimSplitPlan& plan_;
    const WimFingerprint& fingerprint_;
    const uint64_t blockSize_;
    WimPartSink& sink_;
    std::vector<Segment> segments_;  // the resources with bytes, in stream order
    std::vector<Closing> closings_;  // in stream order
    std::vector<bool> opened_;
    size_t segment_ = 0;
    size_t closing_ = 0;
    uint64_t done_ = 0;
    size_t block_ = 0;
    WimBlockHash hash_;
    WimRouteOutcome outcome_;
};

#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "job/wim_split_router.h"

// The part files on the stick, read by the platform layer; several may be open at a time.
class WimPartFiles {
  public:
    virtual ~WimPartFiles() = default;
    // False when the part's file is not there or cannot be opened.
    virtual bool Open(uint16_t part, uint64_t& size) = 0;
    // Up to count bytes of the part, in memory the files own (valid until the next call); 0 at
    // its end, -1 when the read failed.
    virtual int64_t Read(uint16_t part, const uint8_t*& bytes, size_t count) = 0;
    virtual void Close(uint16_t part) = 0;
};

enum class WimPartDifference { None, Missing, Size, Content, ReadFailed };

struct WimPartCheckOutcome {
    WimPartDifference difference = WimPartDifference::None;
    uint16_t part = 0;
    uint64_t expected = 0;  // the size it should have
    uint64_t found = 0;     // its size on the stick (Size), or the first differing byte (Content)
};

// What went wrong, for the log.
std::wstring DescribeWimPartDifference(const WimPartCheckOutcome& outcome);

// The read-back's sink: compares what the router gives with the stick's part files.
class WimPartCheck final : public WimPartSink {
  public:
    explicit WimPartCheck(WimPartFiles& files) : files_(files) {}
    ~WimPartCheck() override;
    WimPartCheck(const WimPartCheck&) = delete;
    WimPartCheck& operator=(const WimPartCheck&) = delete;

    bool Open(uint16_t part, uint64_t size) override;
    bool Write(uint16_t part, const uint8_t* data, size_t size) override;
    bool Close(uint16_t part) override;
    const WimPartCheckOutcome& Outcome() const { return outcome_; }

  private:
    struct OpenPart {
        uint16_t part;
        uint64_t size;
        uint64_t position;
    };
    OpenPart* Find(uint16_t part);
    bool Fail(WimPartDifference difference, uint16_t part, uint64_t expected, uint64_t found);

    WimPartFiles& files_;
    std::vector<OpenPart> open_;
    WimPartCheckOutcome outcome_;
};

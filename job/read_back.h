#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "job/image_listing.h"

// Takes an item's bytes instead of a stick file of its own: the installer's image, which the
// stick holds as parts.
class ReadBackDiversion {
public:
    virtual ~ReadBackDiversion() = default;
    // False once a difference was found; the diversion says which.
    virtual bool Feed(const uint8_t* data, size_t size) = 0;
    // The item's bytes have all come.
    virtual bool Finish() = 0;
};

// One file whose bytes arrive in the stream being checked, in stream order. Files not checked
// still take their place in the stream (the additional files replaced them on the stick).
struct ReadBackItem {
    std::wstring path;  // relative to the stick's root
    int64_t size = 0;
    bool check = true;
    ReadBackDiversion* diversion = nullptr;  // when checked, its bytes go there
};

// The image's files as 7-Zip streams them, less nothing: those whose path (compared without
// regard to case) is among the replaced ones are passed over.
std::vector<ReadBackItem> ImageReadBackItems(const ImageListing& listing,
                                             const std::vector<std::wstring>& replacedPaths);

// The stick's side, read by the platform layer.
class StickFiles {
public:
    virtual ~StickFiles() = default;
    // Opens a file; false when it is not there or cannot be opened.
    virtual bool Open(const std::wstring& path, int64_t& size) = 0;
    // Up to count bytes of the open file, in memory the stick files own (valid until the next
    // call), so that they are compared where they were read; 0 at its end, -1 when the read failed.
    virtual int64_t Read(const uint8_t*& bytes, size_t count) = 0;
    virtual void Close() = 0;
};

enum class Difference {
    None,
    Missing,
    Size,
    Content,
    ReadFailed,
    StreamShort,
    StreamLong,
    Diverted,  // the item's diversion found it
};

struct ReadBackOutcome {
    Difference difference = Difference::None;
    std::wstring path;     // the file that differs
    int64_t expected = 0;  // the size it should have
    int64_t found = 0;     // its size on the stick (Size), or the first differing byte (Content)
};

// What went wrong, for the log.
std::wstring DescribeDifference(const ReadBackOutcome& outcome);

// Compares a stream of the files' contents, fed in pieces of any size, with the stick's files.
class ReadBackCheck {
public:
    ReadBackCheck(std::vector<ReadBackItem> items, StickFiles& stick);
    ~ReadBackCheck();
    ReadBackCheck(const ReadBackCheck&) = delete;
    ReadBackCheck& operator=(const ReadBackCheck&) = delete;

    // False once a difference was found; the outcome says which.
    bool Feed(const uint8_t* data, size_t size);
    // The stream has ended: false when files were still owed or the last check failed.
    bool Finish();
    const ReadBackOutcome& Outcome() const { return outcome_; }
    int64_t BytesDone() const { return done_; }

private:
    bool StartItems();
    bool Fail(Difference difference, int64_t expected, int64_t found);

    std::vector<ReadBackItem> items_;
    StickFiles& stick_;
    size_t index_ = 0;
    int64_t position_ = 0;  // within the current item
    bool open_ = false;     // the current item's stick file
    int64_t done_ = 0;
    ReadBackOutcome outcome_;
};

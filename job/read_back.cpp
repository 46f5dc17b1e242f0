#include "job/read_back.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <set>


namespace {

std::wstring Folded(const std::wstring& path) {
    std::wstring folded = path;
    for (wchar_t& c : folded) c = static_cast<wchar_t>(std::towupper(c));
    return folded;
}

}  // namespace

std::vector<ReadBackItem> ImageReadBackItems(const ImageListing& listing,
                                             const std::vector<std::wstring>& replacedPaths) {
    std::set<std::wstring> replaced;
    for (const std::wstring& path : replacedPaths) replaced.insert(Folded(path));
    std::vector<ReadBackItem> items;
    for (const ImageEntry& entry : listing.entries) {
        if (entry.folder) continue;
        items.push_back({entry.path, entry.size, replaced.count(Folded(entry.path)) == 0});
    }
    return items;
}

std::wstring DescribeDifference(const ReadBackOutcome& outcome) {
    switch (outcome.difference) {
        case Difference::None:
            return L"no difference";
        case Difference::Missing:
            return L"not on the USB drive";
        case Difference::Size:
            return L"size " + std::to_wstring(outcome.found) + L" bytes instead of " +
                   std::to_wstring(outcome.expected);
        case Difference::Content:
            return L"content differs from byte " + std::to_wstring(outcome.found);
        case Difference::ReadFailed:
            return L"cannot be read back";
        case Difference::StreamShort:
            return L"the image gave less than its listing";
        case Difference::StreamLong:
            return L"the image gave more than its listing";
        case Difference::Diverted:
            return L"its parts differ";
    }
    return {};
}

ReadBackCheck::ReadBackCheck(std::vector<ReadBackItem> items, StickFiles& stick)
    : items_(std::move(items)), stick_(stick) {}

ReadBackCheck::~ReadBackCheck() {
    if (open_) stick_.Close();
}

bool ReadBackCheck::Fail(Difference difference, int64_t expected, int64_t found) {
    outcome_ = {difference, index_ < items_.size() ? items_[index_].path : std::wstring(),
                expected, found};
    if (open_) stick_.Close();
    open_ = false;
    return false;
}

// Opens the current item's file if it has not been opened, passing over finished and empty
// items (an empty file is checked by its size alone).
bool ReadBackCheck::StartItems() {
    while (index_ < items_.size()) {
        const ReadBackItem& item = items_[index_];
        if (item.check && !item.diversion && !open_ && position_ == 0) {
            int64_t size = 0;
            if (!stick_.Open(item.path, size)) return Fail(Difference::Missing, item.size, 0);
            open_ = true;
            if (size != item.size) return Fail(Difference::Size, item.size, size);
        }
        if (position_ < item.size) return true;
        if (item.check && item.diversion && !item.diversion->Finish())
            return Fail(Difference::Diverted, item.size, position_);
        if (open_) stick_.Close();
        open_ = false;
        ++index_;
        position_ = 0;
    }
    return true;
}

bool ReadBackCheck::Feed(const uint8_t* data, size_t size) {
    if (outcome_.difference != Difference::None) return false;
    while (size > 0) {
        if (!StartItems()) return false;
        if (index_ == items_.size()) return Fail(Difference::StreamLong, 0, 0);
        const ReadBackItem& item = items_[index_];
        const size_t piece =
            static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), item.size - position_));
        if (item.check && item.diversion) {
            if (!item.diversion->Feed(data, piece))
                return Fail(Difference::Diverted, item.size, position_);
        } else if (item.check) {
            size_t got = 0;
            while (got < piece) {
                const uint8_t* stick = nullptr;
                const int64_t read = stick_.Read(stick, piece - got);
                if (read <= 0) return Fail(Difference::ReadFailed, item.size, 0);
                const size_t count = static_cast<size_t>(read);
                if (std::memcmp(stick, data + got, count) != 0) {
                    size_t at = 0;
                    while (stick[at] == data[got + at]) ++at;
                    return Fail(Difference::Content, item.size,
                                position_ + static_cast<int64_t>(got + at));
                }
                got += count;
            }
        }
        position_ += static_cast<int64_t>(piece);
        done_ += static_cast<int64_t>(piece);
        data += piece;
        size -= piece;
    }
    return true;
}

bool ReadBackCheck::Finish() {
    if (outcome_.difference != Difference::None) return false;
    if (!StartItems()) return false;
    if (index_ < items_.size()) return Fail(Difference::StreamShort, items_[index_].size, 0);
    return true;
}

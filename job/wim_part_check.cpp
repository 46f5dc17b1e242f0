#include "job/wim_part_check.h"

#include <algorithm>
#include <cstring>

std::wstring DescribeWimPartDifference(const WimPartCheckOutcome& outcome) {
    const std::wstring name = WimPartFileName(outcome.part);
    switch (outcome.difference) {
        case WimPartDifference::None:
            return L"no difference";
        case WimPartDifference::Missing:
            return name + L" is not on the USB drive";
        case WimPartDifference::Size:
            return name + L" has " + std::to_wstring(outcome.found) + L" bytes instead of " +
                   std::to_wstring(outcome.expected);
        case WimPartDifference::Content:
            return name + L" differs from byte " + std::to_wstring(outcome.found);
        case WimPartDifference::ReadFailed:
            return name + L" cannot be read back";
    }
    return {};
}

WimPartCheck::~WimPartCheck() {
    for (const OpenPart& open : open_) files_.Close(open.part);
}

WimPartCheck::OpenPart* WimPartCheck::Find(uint16_t part) {
    for (OpenPart& open : open_) {
        if (open.part == part) return &open;
    }
    return nullptr;
}

bool WimPartCheck::Fail(WimPartDifference difference, uint16_t part, uint64_t expected,
                        uint64_t found) {
    outcome_ = {difference, part, expected, found};
    return false;
}

bool WimPartCheck::Open(uint16_t part, uint64_t size) {
    uint64_t found = 0;
    if (!files_.Open(part, found)) return Fail(WimPartDifference::Missing, part, size, 0);
    open_.push_back({part, size, 0});
    if (found != size) return Fail(WimPartDifference::Size, part, size, found);
    return true;
}

bool WimPartCheck::Write(uint16_t part, const uint8_t* data, size_t size) {
    OpenPart* open = Find(part);
    if (!open) return Fail(WimPartDifference::ReadFailed, part, 0, 0);
    size_t got = 0;
    while (got < size) {
        const uint8_t* stick = nullptr;
        const int64_t read = files_.Read(part, stick, size - got);
        if (read <= 0 || static_cast<uint64_t>(read) > size - got)
            return Fail(WimPartDifference::ReadFailed, part, open->size, 0);
        const size_t count = static_cast<size_t>(read);
        if (std::memcmp(stick, data + got, count) != 0) {
            const size_t at =
                static_cast<size_t>(std::mismatch(stick, stick + count, data + got).first - stick);
            return Fail(WimPartDifference::Content, part, open->size, open->position + got + at);
        }
        got += count;
    }
    open->position += size;
    return true;
}

bool WimPartCheck::Close(uint16_t part) {
    files_.Close(part);
    std::erase_if(open_, [&](const OpenPart& open) { return open.part == part; });
    return true;
}

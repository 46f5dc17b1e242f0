#include "job/stick_files_win32.h"

#include <algorithm>

namespace {

// Unbuffered reads need sector-aligned buffers and lengths; a page-aligned megabyte is both.
constexpr DWORD kReadBlock = 1024 * 1024;

}  // namespace

UnbufferedStickFiles::UnbufferedStickFiles(std::wstring root)
    : root_(std::move(root)),
      memory_(VirtualAlloc(nullptr, kReadBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)),
      block_(static_cast<uint8_t*>(memory_.get())) {}

bool UnbufferedStickFiles::Open(const std::wstring& path, int64_t& size) {
    if (!block_) return false;
    file_.reset(CreateFileW((root_ + path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN,
                            nullptr));
    LARGE_INTEGER length{};
    if (!file_ || !GetFileSizeEx(file_.get(), &length)) return false;
    size = length.QuadPart;
    held_ = taken_ = 0;
    return true;
}

int64_t UnbufferedStickFiles::Read(const uint8_t*& bytes, size_t count) {
    if (taken_ == held_) {
        DWORD got = 0;
        if (!ReadFile(file_.get(), block_, kReadBlock, &got, nullptr)) return -1;
        held_ = got;
        taken_ = 0;
        if (got == 0) return 0;
    }
    const size_t piece = std::min<size_t>(count, held_ - taken_);
    bytes = block_ + taken_;
    taken_ += piece;
    return static_cast<int64_t>(piece);
}

void UnbufferedStickFiles::Close() {
    file_.reset();
}

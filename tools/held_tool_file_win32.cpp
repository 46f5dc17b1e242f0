#include "tools/held_tool_file_win32.h"

#include <cstring>
#include <vector>

namespace {

constexpr DWORD kChunkBytes = 64 * 1024;

bool SameBytes(HANDLE file, const Payload& payload) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart != static_cast<LONGLONG>(payload.size))
        return false;
    std::vector<uint8_t> chunk(kChunkBytes);
    size_t offset = 0;
    while (offset < payload.size) {
        DWORD read = 0;
        if (!ReadFile(file, chunk.data(), kChunkBytes, &read, nullptr) || read == 0) return false;
        if (read > payload.size - offset) return false;
        if (std::memcmp(chunk.data(), payload.data + offset, read) != 0) return false;
        offset += read;
    }
    return true;
}

}  // namespace

bool HeldToolFile::HoldAndCheck(const std::wstring& path, const Payload& payload) {
    file_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_) return false;
    // Nothing that could be run is held unless it is what we carry.
    if (payload.size == 0 || !SameBytes(file_.get(), payload)) {
        file_.reset();
        return false;
    }
    return true;
}

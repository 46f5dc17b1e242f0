// The yardstick for the read-back's CPU: the least a program must do to check a stick against its
// image. 7-Zip streams the image's files into a pipe; each file on the stick is read past the
// cache in 1 MiB blocks and compared with its part of the stream; nothing is shown. Writes the
// CPU seconds of that work (its own process, user and system, after the listing) to the result
// file, only when every file matched (exit code 0).
// Usage: reference_read_back SEVENZIP IMAGE STICK_ROOT RESULT_FILE
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/unix_cpu_win32.h"
#include "job/image_listing.h"
#include "tests/harness/harness.h"
#include "tests/harness/job_run.h"
#include "tools/child_process_win32.h"
#include "tools/unique_handle_win32.h"

using namespace harness;

namespace {

constexpr DWORD kBlock = 1024 * 1024;

// Its own CPU seconds, found by its own path in the processes' command lines.
double OwnCpuSeconds() {
    return UnixCpuSeconds(Narrow(BuildFolder() + L"\\reference_read_back.exe"));
}

// Starts 7-Zip with its standard output into a pipe; the reading end, or none.
UniqueHandle StartSevenZip(const std::wstring& sevenZip, const std::wstring& arguments,
                           ChildProcess& child) {
    UniqueHandle reader, writer;
    if (!CreatePipe(reader.put(), writer.put(), nullptr, kBlock)) return {};
    child = StartChildWithOutput(sevenZip, arguments, L"", writer.get());
    if (!child.Process()) return {};
    return reader;
}

// A stream read in blocks, handed out in pieces.
struct Blocks {
    HANDLE from = nullptr;
    uint8_t* block = nullptr;
    DWORD held = 0, taken = 0;

    // Up to count bytes; 0 at the end.
    size_t Next(const uint8_t*& bytes, size_t count) {
        if (taken == held) {
            held = taken = 0;
            if (!ReadFile(from, block, kBlock, &held, nullptr) || held == 0) return 0;
        }
        const size_t piece = std::min<size_t>(count, held - taken);
        bytes = block + taken;
        taken += static_cast<DWORD>(piece);
        return piece;
    }
};

bool CheckFile(Blocks& stream, uint8_t* stickBlock, const std::wstring& path, int64_t size) {
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING,
                                        FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    Blocks stick{file.get(), stickBlock};
    for (int64_t left = size; left > 0;) {
        const uint8_t* fromStick = nullptr;
        const size_t got = stick.Next(fromStick, static_cast<size_t>(std::min<int64_t>(left, kBlock)));
        if (got == 0) return false;
        for (size_t at = 0; at < got;) {
            const uint8_t* fromImage = nullptr;
            const size_t piece = stream.Next(fromImage, got - at);
            if (piece == 0 || std::memcmp(fromImage, fromStick + at, piece) != 0) return false;
            at += piece;
        }
        left -= static_cast<int64_t>(got);
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) return 2;
    const std::wstring sevenZip = argv[1], image = argv[2], root = argv[3];
    std::string listingText;
    {
        ChildProcess lister;
        UniqueHandle out =
            StartSevenZip(sevenZip, L"l -slt -sccUTF-8 -- \"" + image + L"\"", lister);
        if (!out) return 3;
        std::vector<char> chunk(65536);
        DWORD got = 0;
        while (ReadFile(out.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) &&
               got > 0) {
            listingText.append(chunk.data(), got);
        }
        lister.WaitForEnd(INFINITE);
    }
    ImageListing listing;
    if (!ParseImageListing(listingText, listing)) return 3;

    const double cpuStart = OwnCpuSeconds();
    if (cpuStart < 0) return 3;
    const UniqueVirtualMemory streamBlock(
        VirtualAlloc(nullptr, kBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    const UniqueVirtualMemory stickBlock(
        VirtualAlloc(nullptr, kBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!streamBlock || !stickBlock) return 3;
    bool same = true;
    {
        ChildProcess streamer;
        UniqueHandle out = StartSevenZip(sevenZip, L"x -so -- \"" + image + L"\"", streamer);
        if (!out) return 3;
        Blocks stream{out.get(), static_cast<uint8_t*>(streamBlock.get())};
        for (const ImageEntry& entry : listing.entries) {
            if (entry.folder || entry.size == 0) continue;
            same = CheckFile(stream, static_cast<uint8_t*>(stickBlock.get()), root + entry.path,
                             entry.size) &&
                   same;
        }
        streamer.WaitForEnd(INFINITE);
    }
    const double cpu = OwnCpuSeconds() - cpuStart;
    if (!same) return 1;
    FILE* result = _wfopen(argv[4], L"wb");
    if (!result) return 3;
    std::fprintf(result, "%.3f\n", cpu);
    std::fclose(result);
    return 0;
}

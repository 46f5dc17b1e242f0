#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "disk/physical_disk_win32.h"
#include "tests/harness/harness.h"

namespace {

constexpr uint64_t kMiB = 1 << 20;
constexpr uint64_t kGiB = kMiB << 10;

// A zero-filled file of that size; sparse, so that images of gigabytes cost nothing.
std::wstring MakeImage(uint64_t size) {
    const std::wstring path = harness::FreshTestFolder() + L"\\stick.img";
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    EXPECT_TRUE(file && SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) &&
                SetEndOfFile(file.get()));
    return path;
}

// The file's bytes at an offset, read past the disk object.
std::string FileBytesAt(const std::wstring& path, uint64_t offset, size_t length) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    std::string bytes(length, '\0');
    DWORD got = 0;
    if (!file || !SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN) ||
        !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(length), &got, nullptr)) {
        return "<unreadable>";
    }
    bytes.resize(got);
    return bytes;
}

std::string Pattern(size_t length, unsigned seed) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 131 + seed) >> 3);
    return bytes;
}

// Taken at the file's exact size in 512-byte sectors. Transfers cross the aligned buffer's 1 MiB
// chunks, reach beyond 4 GiB, end at the last sector, and come from and go to memory that is not
// sector-aligned.
TEST(PhysicalDiskImage, WritesReachTheFileAtTheirOffsetsAndReadBack) {
    const uint64_t size = 5 * kGiB + 512;
    const std::wstring path = MakeImage(size);
    PhysicalDisk disk;
    ASSERT_TRUE(disk.Open(path));
    EXPECT_EQ(disk.SizeBytes(), size);
    EXPECT_EQ(disk.SectorSize(), 512u);
    const struct {
        uint64_t offset;
        size_t length;
    } cases[] = {
        {0, 512}, {kMiB - 512, 3 * kMiB + 1024}, {4 * kGiB + 512, 4096}, {size - 512, 512}};
    unsigned seed = 1;
    for (const auto& c : cases) {
        const std::string bytes = Pattern(c.length, seed++);
        std::vector<char> unaligned(c.length + 1);
        std::copy(bytes.begin(), bytes.end(), unaligned.begin() + 1);
        EXPECT_TRUE(disk.Write(c.offset, unaligned.data() + 1, c.length)) << c.offset;
    }
    ASSERT_TRUE(disk.Flush());
    seed = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        const std::string bytes = Pattern(c.length, seed++);
        EXPECT_EQ(FileBytesAt(path, c.offset, c.length), bytes);
        std::vector<char> back(c.length + 1);
        ASSERT_TRUE(disk.Read(c.offset, back.data() + 1, c.length));
        EXPECT_EQ(std::string(back.data() + 1, c.length), bytes);
    }
    // Neighbours of what was written stay zero.
    EXPECT_EQ(FileBytesAt(path, 512, 512), std::string(512, '\0'));
    EXPECT_EQ(FileBytesAt(path, 4 * kGiB, 512), std::string(512, '\0'));
}

// A disk whose size is not known exactly is never opened: a guess could put the end of a layout
// beyond the end of the stick.
TEST(PhysicalDiskRefuses, AFileThatIsNotWholeSectorsOrMissing) {
    const std::wstring folder = harness::FreshTestFolder();
    for (const std::string& bytes :
         {std::string(), std::string(1000, 'x'), std::string(511, 'x')}) {
        SCOPED_TRACE(bytes.size());
        ASSERT_TRUE(harness::WriteFileBytes(folder + L"\\odd.img", bytes));
        PhysicalDisk disk;
        EXPECT_FALSE(disk.Open(folder + L"\\odd.img"));
    }
    PhysicalDisk disk;
    EXPECT_FALSE(disk.Open(folder + L"\\missing.img"));
    EXPECT_FALSE(disk.Open(L"\\\\.\\PhysicalDrive77"));
}

TEST(PhysicalDiskRefuses, TransfersNotOfWholeSectorsInsideTheDisk) {
    const std::wstring path = MakeImage(kMiB);
    PhysicalDisk disk;
    ASSERT_TRUE(disk.Open(path));
    const struct {
        uint64_t offset;
        size_t length;
    } cases[] = {{1, 512},           {0, 100},    {512, 513},
                 {kMiB - 512, 1024}, {kMiB, 512}, {UINT64_MAX - 511, 512}};
    std::vector<char> buffer(4096, 'x');
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << " " << c.length);
        EXPECT_FALSE(disk.Write(c.offset, buffer.data(), c.length));
        EXPECT_FALSE(disk.Read(c.offset, buffer.data(), c.length));
    }
    ASSERT_TRUE(disk.Flush());
    EXPECT_EQ(FileBytesAt(path, 0, kMiB), std::string(kMiB, '\0'));
    PhysicalDisk closed;
    EXPECT_FALSE(closed.Write(0, buffer.data(), 512));
    EXPECT_FALSE(closed.Flush());
}

}  // namespace

#include <gtest/gtest.h>

#include "job/add_files_copy_win32.h"
#include "tests/win32_test_files.h"

namespace {

TEST(MakeFolderPath, CreatesEveryMissingLevel) {
    const std::wstring root = TempTestPath(L"made");
    EXPECT_EQ(MakeFolderPath(root + L"\\a\\b\\c\\", -1), 1);
    EXPECT_EQ(GetFileAttributesW((root + L"\\a\\b\\c").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(MakeFolderPath(root + L"\\a\\b", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN),
              1);
    EXPECT_TRUE(GetFileAttributesW((root + L"\\a\\b").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(MakeFolderPath(L"C:\\", -1), 1);
    ASSERT_TRUE(WriteWholeFile(root + L"\\file", "x"));
    EXPECT_EQ(MakeFolderPath(root + L"\\file\\below", -1), 0) << "a file stands in the way";
}

// Copies a file of the given size chunk by chunk, its length taken as given (more than it holds:
// cut short since it was opened), to a target that may refuse writes (a full or pulled drive);
// the chunk results in order.
std::vector<int64_t> CopyInChunks(size_t size, int64_t length, bool writable) {
    const std::wstring from = TempTestPath(L"from.bin"), to = TempTestPath(L"to.bin");
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7);
    WriteWholeFile(from, bytes);
    WriteWholeFile(to, "");
    UniqueHandle source(
        CreateFileW(from.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    UniqueHandle target(CreateFileW(to.c_str(), GENERIC_READ | (writable ? GENERIC_WRITE : 0), 0,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    std::vector<int64_t> results;
    for (int64_t r = 0; results.empty() || (r > 0 && results.size() < 10);)
        results.push_back(r = CopyChunk(source, target, 4096, length, r));
    EXPECT_FALSE(source) << "closed after the last chunk";
    EXPECT_FALSE(target);
    if (results.back() == 0) {
        EXPECT_EQ(ReadWholeFile(to), bytes);
    }
    return results;
}

TEST(CopyChunk, ChunkBoundariesAndFailures) {
    const struct {
        size_t size;
        int64_t length;
        bool writable;
        std::vector<int64_t> results;
    } cases[] = {
        {0, 0, true, {0}},
        {4096, 4096, true, {0}},
        {4097, 4097, true, {4096, 0}},
        {10000, 10000, true, {4096, 8192, 0}},
        {9000, 9000, false, {kChunkFailed}},
        {5000, 9000, true, {4096, kChunkFailed}},  // a full chunk comes up short
        {5000, 6000, true, {4096, kChunkFailed}},  // the last chunk does
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes as " << c.length);
        EXPECT_EQ(CopyInChunks(c.size, c.length, c.writable), c.results);
    }
}

}  // namespace

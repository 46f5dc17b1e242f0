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

// Copies a file of the given size chunk by chunk; the chunk results in order.
std::vector<int64_t> CopyInChunks(size_t size, std::string& copied) {
    const std::wstring from = TempTestPath(L"from.bin"), to = TempTestPath(L"to.bin");
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7);
    WriteWholeFile(from, bytes);
    UniqueHandle source(
        CreateFileW(from.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    UniqueHandle target(CreateFileW(to.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, 0, nullptr));
    std::vector<int64_t> results;
    for (int64_t r = 0; results.empty() || (r > 0 && results.size() < 10);)
        results.push_back(r = CopyChunk(source, target, 4096, static_cast<int64_t>(size), r));
    EXPECT_FALSE(source) << "closed after the last chunk";
    EXPECT_FALSE(target);
    copied = ReadWholeFile(to);
    EXPECT_EQ(copied, bytes);
    return results;
}

TEST(CopyChunk, ChunkBoundaries) {
    std::string copied;
    EXPECT_EQ(CopyInChunks(0, copied), std::vector<int64_t>{0});
    EXPECT_EQ(CopyInChunks(4096, copied), std::vector<int64_t>{0});
    EXPECT_EQ(CopyInChunks(4097, copied), (std::vector<int64_t>{4096, 0}));
    EXPECT_EQ(CopyInChunks(10000, copied), (std::vector<int64_t>{4096, 8192, 0}));
}

TEST(CopyChunk, AWriteThatFailsIsReported) {
    const std::wstring from = TempTestPath(L"from.bin"), to = TempTestPath(L"to.bin");
    WriteWholeFile(from, std::string(9000, 'f'));
    WriteWholeFile(to, "");
    UniqueHandle source(
        CreateFileW(from.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    // A target the copy may not write to stands for a full or pulled drive.
    UniqueHandle target(
        CreateFileW(to.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(CopyChunk(source, target, 4096, 9000, 0), kChunkFailed);
    EXPECT_FALSE(source);
    EXPECT_FALSE(target);
}

TEST(CopyChunk, ASourceShorterThanItsLengthIsReported) {
    // The length is taken once, when the file is opened; a file cut short since then must not pass
    // for copied, whether a full chunk or the last one comes up short.
    const std::wstring from = TempTestPath(L"from.bin"), to = TempTestPath(L"to.bin");
    WriteWholeFile(from, std::string(5000, 's'));
    for (const int64_t length : {int64_t{9000}, int64_t{6000}}) {
        SCOPED_TRACE(length);
        UniqueHandle source(
            CreateFileW(from.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        UniqueHandle target(CreateFileW(to.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, 0, nullptr));
        EXPECT_EQ(CopyChunk(source, target, 4096, length, 0), 4096);
        EXPECT_EQ(CopyChunk(source, target, 4096, length, 4096), kChunkFailed);
        EXPECT_FALSE(source);
        EXPECT_FALSE(target);
    }
}

}  // namespace

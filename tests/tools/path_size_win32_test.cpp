#include <gtest/gtest.h>

#include "tests/win32_test_files.h"
#include "tools/path_size.h"

namespace {

TEST(PathSize, TellsFilesFoldersRootsAndNothing) {
    const std::wstring file = TempTestPath(L"five.bin");
    const std::wstring empty = TempTestPath(L"empty.bin");
    const std::wstring folder = TempTestPath(L"folder");
    ASSERT_TRUE(WriteWholeFile(file, "12345"));
    ASSERT_TRUE(WriteWholeFile(empty, ""));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));

    const struct {
        std::wstring path;
        int64_t size;
    } cases[] = {
        {file, 5},
        {empty, 0},
        {folder, kPathIsFolder},
        {folder + L"\\", kPathIsFolder},
        {TempTestPath(L"missing.bin"), kPathMissing},
        {L"", kPathMissing},
        {L"C:\\", kPathIsFolder},
        {L"Q:\\", kPathMissing},  // no drive Q: in a test prefix
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
        EXPECT_EQ(PathSize(c.path), c.size);
    }
}

}  // namespace

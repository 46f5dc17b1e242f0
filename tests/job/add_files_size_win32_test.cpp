#include <gtest/gtest.h>

#include "job/add_files_size.h"
#include "tests/win32_test_files.h"

namespace {

void Plant(const std::wstring& root, const std::wstring& relative, size_t size) {
    const std::wstring path = root + relative;
    for (size_t pos = root.size(); (pos = path.find(L'\\', pos)) != std::wstring::npos; ++pos) {
        CreateDirectoryW(path.substr(0, pos).c_str(), nullptr);
    }
    ASSERT_TRUE(WriteWholeFile(path, std::string(size, 'x')));
}

TEST(CountAddFilesBytes, SumsEveryFileAtEveryDepth) {
    const std::wstring root = TempTestPath(L"TarnvikAddFiles") + L"\\";
    CreateDirectoryW(root.c_str(), nullptr);
    EXPECT_EQ(CountAddFilesBytes(root, L"*.*"), 0);  // empty
    Plant(root, L"top.txt", 10);
    Plant(root, L"one\\two\\deep.txt", 20);
    Plant(root, L"empty\\nothing.bin", 0);
    Plant(root, L"hidden.sys", 7);
    SetFileAttributesW((root + L"hidden.sys").c_str(),
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(CountAddFilesBytes(root, L"*.*"), 37);
    EXPECT_EQ(CountAddFilesBytes(root + L"one\\", L"*.*"), 20);
    EXPECT_EQ(CountAddFilesBytes(TempTestPath(L"missing") + L"\\", L"*.*"), 0);
}

}  // namespace

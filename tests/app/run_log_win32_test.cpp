// The log file as the program writes it: bytes, sharing, buffering across its size.
#include <gtest/gtest.h>

#include "app/run_log_win32.h"
#include "tests/win32_test_files.h"

namespace {

TEST(RunLogFile, WritesUtf8LinesWithCrLfAndNoBomOverWhatWasThere) {
    const std::wstring path = TempTestPath(L"bytes.log");
    ASSERT_TRUE(WriteWholeFile(path, std::string(10000, 'x')));
    {
        auto log = RunLog::Create(path);
        ASSERT_TRUE(log);
        log->WriteLine(L"");
        log->WriteLine(L"USBFD E:\\ [Grüße €] FAT32 (7.45 GB)");
        log->WriteLine(L"clef \xD834\xDD1E end");
    }
    EXPECT_EQ(ReadWholeFile(path),
              "\r\n"
              "USBFD E:\\ [Gr\xC3\xBC\xC3\x9F"
              "e \xE2\x82\xAC] FAT32 (7.45 GB)\r\n"
              "clef \xF0\x9D\x84\x9E end\r\n");
}

TEST(RunLogFile, NoOtherProgramCanOpenItWhileOpen) {
    const std::wstring path = TempTestPath(L"locked.log");
    auto log = RunLog::Create(path);
    ASSERT_TRUE(log);
    HANDLE other = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
}

TEST(RunLogFile, KeepsEveryLineInOrderAcrossBufferFills) {
    const std::wstring path = TempTestPath(L"long.log");
    std::string expected;
    {
        auto log = RunLog::Create(path);
        ASSERT_TRUE(log);
        for (int i = 0; i < 1500; ++i) {
            const std::wstring line =
                L"line " + std::to_wstring(i) + L" " + std::wstring(i % 37, L'.');
            log->WriteLine(line);
            expected += std::string(line.begin(), line.end()) + "\r\n";
        }
    }
    EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST(RunLogFile, CannotBeCreatedWhereAFolderStands) {
    const std::wstring path = TempTestPath(L"folder.log");
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    EXPECT_FALSE(RunLog::Create(path));
}

}  // namespace

// Installing the tool payloads into the temp folder, and the replacement folder's rules.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/win32_test_files.h"
#include "tools/folders.h"
#include "tools/path_size.h"
#include "tools/payload_win32.h"

namespace {

const std::string kBytes(5000, 'p');
const Payload kPayload{reinterpret_cast<const uint8_t*>(kBytes.data()), kBytes.size()};

TEST(InstallPayload, WritesExactlyThePayload) {
    const std::wstring path = TempTestPath(L"tool.exe");
    EXPECT_TRUE(InstallPayload(kPayload, path));
    EXPECT_EQ(ReadWholeFile(path), kBytes);
}

TEST(InstallPayload, ReplacesAReadOnlyLeftover) {
    const std::wstring path = TempTestPath(L"leftover.exe");
    ASSERT_TRUE(WriteWholeFile(path, std::string(9000, 'o')));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(InstallPayload(kPayload, path));
    EXPECT_EQ(ReadWholeFile(path), kBytes);
}

TEST(InstallPayload, FailsOnAFolderOfThatName) {
    const std::wstring path = TempTestPath(L"USB7z.exe");
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    EXPECT_FALSE(InstallPayload(kPayload, path));
    EXPECT_EQ(PathSize(path), kPathIsFolder) << "the folder is left alone";
}

TEST(InstallPayload, FailsOnALongerFileHeldOpen) {
    const std::wstring path = TempTestPath(L"held.exe");
    ASSERT_TRUE(WriteWholeFile(path, std::string(9000, 'h')));
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(InstallPayload(kPayload, path));
    CloseHandle(held);
}

TEST(InstallPayload, AnEmptyPayloadNeverInstalls) {
    const std::wstring path = TempTestPath(L"Bootice.exe");
    EXPECT_FALSE(InstallPayload(Payload{}, path));
    EXPECT_EQ(PathSize(path), kPathMissing) << "no empty file is left";
}

// Each case runs in a working folder of its own, whose "Tarnvik" folder may hold replacements.
class PrepareTools : public testing::Test {
  protected:
    void SetUp() override {
        work_ = TempTestPath(L"work");
        CreateDirectoryW(work_.c_str(), nullptr);
        CreateDirectoryW((work_ + L"\\Tarnvik").c_str(), nullptr);
        GetCurrentDirectoryW(MAX_PATH, previous_);
        SetCurrentDirectoryW(work_.c_str());
        temp_ = TempFolder();
        RemoveTempTools();
    }
    void TearDown() override {
        SetCurrentDirectoryW(previous_);
        RemoveTempTools();
    }
    // Files, or the folders some cases put in their way.
    void RemoveTempTools() {
        for (const wchar_t* name : {L"Bootice.exe", L"USB7z.exe", L"7z.dll"}) {
            DeleteFileW((temp_ + name).c_str());
            RemoveDirectoryW((temp_ + name).c_str());
        }
    }
    void Replace(const wchar_t* name, const std::string& bytes) {
        ASSERT_TRUE(WriteWholeFile(work_ + L"\\Tarnvik\\" + name, bytes));
    }
    std::wstring work_, temp_;
    wchar_t previous_[MAX_PATH] = {};
};

TEST_F(PrepareTools, ReplacementBooticeOfAnySizeIsUsedAsItIs) {
    Replace(L"Bootice.exe", "x");
    std::wstring path = temp_ + L"Bootice.exe";
    EXPECT_EQ(PrepareBootice(path), L"");
    EXPECT_EQ(path, work_ + L"\\Tarnvik\\Bootice.exe");
    EXPECT_EQ(PathSize(temp_ + L"Bootice.exe"), kPathMissing);
}

TEST_F(PrepareTools, WithoutAReplacementTheCarriedBooticeIsInstalled) {
    Replace(L"Bootice.exe", "");  // a 0-byte replacement does not count
    std::wstring path = temp_ + L"Bootice.exe";
    EXPECT_EQ(PrepareBootice(path), L"");
    EXPECT_EQ(path, temp_ + L"Bootice.exe");
    EXPECT_EQ(PathSize(path), static_cast<int64_t>(BooticePayload().size));
}

TEST_F(PrepareTools, AFolderInTheWayOfBooticeFails) {
    ASSERT_TRUE(CreateDirectoryW((temp_ + L"Bootice.exe").c_str(), nullptr));
    std::wstring path = temp_ + L"Bootice.exe";
    EXPECT_EQ(PrepareBootice(path), L"An error occurred while installing Bootice in temp folder");
    EXPECT_EQ(PathSize(temp_ + L"Bootice.exe"), kPathIsFolder) << "the folder is left alone";
}

TEST_F(PrepareTools, SevenZipPairFromTheReplacementFolder) {
    Replace(L"7z.exe", "exe");
    Replace(L"7z.dll", "dll");
    std::wstring exe = temp_ + L"USB7z.exe", lib = temp_ + L"7z.dll";
    EXPECT_EQ(PrepareSevenZip(exe, lib), L"");
    EXPECT_EQ(exe, work_ + L"\\Tarnvik\\7z.exe");
    EXPECT_EQ(lib, work_ + L"\\Tarnvik\\7z.dll");
    EXPECT_EQ(PathSize(temp_ + L"USB7z.exe"), kPathMissing);
}

TEST_F(PrepareTools, OnlyHalfThePairInstallsThePayloads) {
    ASSERT_GT(SevenZipPayload().size, 0u) << "the test program carries the 7-Zip payload";
    Replace(L"7z.exe", "exe");
    std::wstring exe = temp_ + L"USB7z.exe", lib = temp_ + L"7z.dll";
    EXPECT_EQ(PrepareSevenZip(exe, lib), L"");
    EXPECT_EQ(exe, temp_ + L"USB7z.exe");
    EXPECT_EQ(PathSize(exe), static_cast<int64_t>(SevenZipPayload().size));
    EXPECT_EQ(PathSize(lib), static_cast<int64_t>(SevenZipLibPayload().size));
}

TEST_F(PrepareTools, AFolderInTheWayFailsAndCleansUp) {
    ASSERT_TRUE(CreateDirectoryW((temp_ + L"7z.dll").c_str(), nullptr));
    std::wstring exe = temp_ + L"USB7z.exe", lib = temp_ + L"7z.dll";
    EXPECT_EQ(PrepareSevenZip(exe, lib),
              L"An error occurred while installing 7z.dll in temp folder");
    EXPECT_EQ(PathSize(exe), kPathMissing) << "the half-installed pair is removed";
    RemoveDirectoryW((temp_ + L"7z.dll").c_str());
}

// Without a supplied BOOTICE the program carries our own disk tool, byte for byte, in its place.
TEST(BooticePayload, IsTheBuiltDiskToolUnlessBooticeWasSupplied) {
#ifdef TARNVIK_BUILT_WITH_BOOTICE
    GTEST_SKIP() << "this build carries BOOTICE";
#endif
    const Payload payload = BooticePayload();
    ASSERT_GT(payload.size, 0u);
    const std::string tool = ReadWholeFile(harness::BuildFolder() + L"\\TarnvikDisk.exe");
    ASSERT_EQ(payload.size, tool.size());
    // Compared as a whole rather than printed: the file is large.
    EXPECT_TRUE(std::equal(tool.begin(), tool.end(), reinterpret_cast<const char*>(payload.data)));
}

}  // namespace

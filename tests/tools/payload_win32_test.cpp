// Installing the tool payloads into the temp folder, and the replacement folder's rules.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/win32_test_files.h"
#include "tools/folders.h"
#include "tools/held_tool_file_win32.h"
#include "tools/path_size.h"
#include "tools/payload_win32.h"

namespace {

const std::string kBytes(5000, 'p');
const Payload kPayload{reinterpret_cast<const uint8_t*>(kBytes.data()), kBytes.size()};

TEST(InstallPayload, ReplacesAReadOnlyLeftover) {
    const std::wstring path = TempTestPath(L"leftover.exe");
    ASSERT_TRUE(WriteWholeFile(path, std::string(9000, 'o')));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(InstallPayload(kPayload, path));
    EXPECT_EQ(ReadWholeFile(path), kBytes);
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

// The planted-code test finds a running tool cannot be written or deleted (nor renamed, which
// takes the same access); held, it cannot be replaced either, yet others may read it, and let go
// it can be deleted.
TEST(HeldToolFile, NobodyCanReplaceItWhileHeld) {
    const std::wstring path = TempTestPath(L"held-tool.exe");
    HeldToolFile held;
    ASSERT_TRUE(InstallPayload(kPayload, path, held));
    ASSERT_TRUE(WriteWholeFile(path + L".other", "planted"));
    EXPECT_FALSE(MoveFileExW((path + L".other").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_TRUE(GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_ACCESS_DENIED)
        << GetLastError();
    EXPECT_EQ(ReadWholeFile(path), kBytes) << "others may still read it";
    held.Release();
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "let go, it can be deleted";
}

TEST(HeldToolFile, OtherBytesOfTheSameLengthAreNotHeld) {
    const std::wstring path = TempTestPath(L"swapped.exe");
    std::string other = kBytes;
    other[4321] = 'x';
    ASSERT_TRUE(WriteWholeFile(path, other));
    HeldToolFile held;
    EXPECT_FALSE(held.HoldAndCheck(path, kPayload));
    EXPECT_FALSE(held.Held());
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "nothing is left holding it";
}

TEST(HeldToolFile, AFileAnotherProgramKeepsOpenForWritingIsNotHeld) {
    const std::wstring path = TempTestPath(L"open-elsewhere.exe");
    ASSERT_TRUE(WriteWholeFile(path, kBytes));
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    HeldToolFile held;
    EXPECT_FALSE(held.HoldAndCheck(path, kPayload)) << "it could still be changed under us";
    CloseHandle(writer);
    EXPECT_TRUE(held.HoldAndCheck(path, kPayload));
}

// Each case runs in a working folder of its own, whose "Tarnvik" folder may hold replacements;
// the tools go into a folder of their own, as a job's do.
class PrepareTools : public testing::Test {
  protected:
    void SetUp() override {
        work_ = TempTestPath(L"work");
        CreateDirectoryW(work_.c_str(), nullptr);
        CreateDirectoryW((work_ + L"\\Tarnvik").c_str(), nullptr);
        tools_ = TempTestPath(L"tools") + L"\\";
        CreateDirectoryW(tools_.c_str(), nullptr);
        GetCurrentDirectoryW(MAX_PATH, previous_);
        SetCurrentDirectoryW(work_.c_str());
    }
    void TearDown() override {
        held_.Release();
        heldLib_.Release();
        SetCurrentDirectoryW(previous_);
    }
    void Replace(const wchar_t* name, const std::string& bytes) {
        ASSERT_TRUE(WriteWholeFile(work_ + L"\\Tarnvik\\" + name, bytes));
    }
    std::wstring work_, tools_;
    HeldToolFile held_, heldLib_;
    wchar_t previous_[MAX_PATH] = {};
};

TEST_F(PrepareTools, WithoutAReplacementTheCarriedBooticeIsInstalled) {
    Replace(L"Bootice.exe", "");  // a 0-byte replacement does not count
    EXPECT_EQ(PrepareBootice(tools_ + L"Bootice.exe", held_), L"");
    EXPECT_EQ(PathSize(tools_ + L"Bootice.exe"), static_cast<int64_t>(BooticePayload().size));
    EXPECT_TRUE(held_.Held());
}

TEST_F(PrepareTools, AFolderInTheWayOfBooticeFails) {
    ASSERT_TRUE(CreateDirectoryW((tools_ + L"Bootice.exe").c_str(), nullptr));
    EXPECT_EQ(PrepareBootice(tools_ + L"Bootice.exe", held_),
              L"An error occurred while installing Bootice in temp folder");
    EXPECT_EQ(PathSize(tools_ + L"Bootice.exe"), kPathIsFolder) << "the folder is left alone";
}

TEST_F(PrepareTools, OnlyHalfThePairInstallsThePayloads) {
    ASSERT_GT(SevenZipPayload().size, 0u) << "the test program carries the 7-Zip payload";
    Replace(L"7z.exe", "exe");
    EXPECT_EQ(PrepareSevenZip(tools_ + L"USB7z.exe", tools_ + L"7z.dll", held_, heldLib_), L"");
    EXPECT_EQ(PathSize(tools_ + L"USB7z.exe"), static_cast<int64_t>(SevenZipPayload().size));
    EXPECT_EQ(PathSize(tools_ + L"7z.dll"), static_cast<int64_t>(SevenZipLibPayload().size));
    EXPECT_TRUE(held_.Held() && heldLib_.Held());
}

TEST_F(PrepareTools, AFolderInTheWayFailsAndCleansUp) {
    ASSERT_TRUE(CreateDirectoryW((tools_ + L"7z.dll").c_str(), nullptr));
    EXPECT_EQ(PrepareSevenZip(tools_ + L"USB7z.exe", tools_ + L"7z.dll", held_, heldLib_),
              L"An error occurred while installing 7z.dll in temp folder");
    EXPECT_EQ(PathSize(tools_ + L"USB7z.exe"), kPathMissing)
        << "the half-installed pair is removed";
    EXPECT_FALSE(held_.Held() || heldLib_.Held());
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

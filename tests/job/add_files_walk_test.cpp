#include <gtest/gtest.h>

#include <map>

#include "job/add_files_walk.h"

namespace {

constexpr uint32_t kDir = 0x10;

// A fixed tree, listed as a file system would: ".", "..", then the names in stored order.
std::map<std::wstring, std::vector<ListedEntry>> Tree() {
    return {
        {L"A\\",
         {{L".", kDir},
          {L"..", kDir},
          {L"top.txt", 0x20, 1, 2, 3, 10},
          {L"sub", kDir},
          {L"b.bin", 0x01, 0, 0, 0, 5},
          {L"other", kDir | 0x02}}},
        {L"A\\sub\\",
         {{L".", kDir}, {L"..", kDir}, {L"deep", kDir}, {L"s.txt", 0x20, 0, 0, 0, 20}}},
        {L"A\\sub\\deep\\", {{L".", kDir}, {L"..", kDir}, {L"d.txt", 0x20, 0, 0, 0, 40}}},
        {L"A\\other\\", {{L".", kDir}, {L"..", kDir}}},
    };
}

FolderLister ListerFor(const std::map<std::wstring, std::vector<ListedEntry>>& tree) {
    return [&tree](const std::wstring& folder, const std::wstring& pattern) {
        EXPECT_EQ(pattern, L"*.*");
        auto found = tree.find(folder);
        return found == tree.end() ? std::vector<ListedEntry>{} : found->second;
    };
}

TEST(WalkAddFiles, DepthFirstFoldersBeforeFiles) {
    const auto tree = Tree();
    std::vector<AddFilesEntry> entries = {AddFilesEntry{}};  // an earlier walk's list is replaced
    EXPECT_EQ(WalkAddFiles(L"A", L"", ListerFor(tree), entries), L"4|75");
    std::vector<std::wstring> order;
    for (const AddFilesEntry& e : entries) {
        order.push_back(e.relative + e.name + (e.kind == kFolderEntry ? L"\\" : L""));
    }
    EXPECT_EQ(order, (std::vector<std::wstring>{L"sub\\", L"sub\\deep\\", L"sub\\deep\\d.txt",
                                                L"sub\\s.txt", L"other\\", L"top.txt", L"b.bin"}));
    EXPECT_EQ(entries[5].size, 10);
    EXPECT_EQ(entries[5].lastWriteTime, 3u);
    EXPECT_EQ(entries[4].attributes, kDir | 0x02u);
    EXPECT_EQ(entries[0].size, 0);
    int64_t count = 0, total = 0;
    ASSERT_TRUE(ParseWalkResult(L"4|75", count, total));
    EXPECT_EQ(count, 4);
    EXPECT_EQ(total, 75);
}

TEST(WalkAddFiles, LinkedFoldersAreNotFollowed) {
    // A junction back to the top would make the walk endless.
    std::map<std::wstring, std::vector<ListedEntry>> tree = {
        {L"A\\", {{L"loop", kDir | 0x400}, {L"f.txt", 0x20, 0, 0, 0, 1}}},
        {L"A\\loop\\", {{L"loop", kDir | 0x400}, {L"f.txt", 0x20, 0, 0, 0, 1}}},
    };
    std::vector<AddFilesEntry> entries;
    EXPECT_EQ(WalkAddFiles(L"A\\", L"*.*", ListerFor(tree), entries), L"1|1");
    EXPECT_EQ(entries.size(), 2u);
}

TEST(WalkAddFiles, AnUnreadableFolderGivesNothing) {
    std::map<std::wstring, std::vector<ListedEntry>> none;
    std::vector<AddFilesEntry> entries;
    EXPECT_EQ(WalkAddFiles(L"missing\\", L"", ListerFor(none), entries), L"0|0");
    EXPECT_TRUE(entries.empty());
}

}  // namespace

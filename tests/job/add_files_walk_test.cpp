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

// The fuzz target checks the walk's rules on any tree (links, unreadable folders, the fields and
// the result); this pins the order on one known tree.
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
}

}  // namespace

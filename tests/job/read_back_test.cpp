#include <gtest/gtest.h>

#include <map>

#include "job/image_listing.h"
#include "job/read_back.h"

namespace {

// 7-Zip's technical listing of an ISO image with a folder, an empty file and a file in the folder.
const char kListing[] =
    "\r\n7-Zip 26.03 (x64) : Copyright (c) 1999-2026 Igor Pavlov : 2026-09-03\r\n\r\n"
    "Listing archive: t.iso\r\n\r\n--\r\nPath = t.iso\r\nType = Iso\r\nPhysical Size = 452608\r\n"
    "\r\n----------\r\n"
    "Path = README.TXT\r\nFolder = -\r\nSize = 6\r\nPacked Size = 6\r\nMode = \r\n\r\n"
    "Path = sources\r\nFolder = +\r\nSize = \r\nPacked Size = \r\n\r\n"
    "Path = sources\\install.wim\r\nFolder = -\r\nSize = 4831838208\r\n\r\n"
    "Path = zero.txt\r\nFolder = -\r\nSize = 0\r\n\r\n"
    "Path = \xc3\xa9t\xc3\xa9.txt\r\nAttributes = A\r\nSize = 3\r\n\r\n";

TEST(ImageListing, ItemsInArchiveOrderWithTheirSizes) {
    ImageListing listing;
    ASSERT_TRUE(ParseImageListing(kListing, listing));
    ASSERT_EQ(listing.entries.size(), 5u);
    EXPECT_EQ(listing.entries[0].path, L"README.TXT");
    EXPECT_TRUE(listing.entries[1].folder);
    EXPECT_EQ(listing.entries[2].path, L"sources\\install.wim");
    EXPECT_EQ(listing.entries[2].size, 4831838208);
    EXPECT_EQ(listing.entries[4].path, L"\u00e9t\u00e9.txt");
    EXPECT_EQ(listing.fileBytes, 6 + 4831838208 + 3);
}

TEST(ImageListing, UnreadableListingsAreRefused) {
    const char* cases[] = {
        "",                                                            // nothing printed
        "ERROR: t.iso : Cannot open the file as archive\r\n",          // no items part
        "----------\r\nPath = a\r\nFolder = -\r\nSize = \r\n\r\n",     // a file without size
        "----------\r\nPath = a\r\nFolder = -\r\nSize = 12x\r\n\r\n",  // a size that is no number
        "----------\r\nFolder = -\r\nSize = 1\r\n\r\n",                // no path
    };
    for (const char* text : cases) {
        ImageListing listing;
        EXPECT_FALSE(ParseImageListing(text, listing)) << text;
    }
    ImageListing empty;
    EXPECT_TRUE(ParseImageListing("----------\n", empty)) << "an empty image is readable";
}

TEST(ImageListing, LargestFat32FileFitsAndTheInstallersImageIsSplit) {
    ImageListing listing;
    listing.entries = {{L"a", kFat32LargestFile, false},
                       {L"big", kFat32LargestFile + 1, true},
                       {L"Sources\\INSTALL.wim", kFat32LargestFile + 1, false},
                       {L"x\\sources\\install.wim", kFat32LargestFile, false}};
    EXPECT_EQ(FirstFileTooLargeForFat32(listing), nullptr) << "folders have no size to mind";
    EXPECT_EQ(WimToSplit(listing, L"FAT32", kFat32LargestFile), &listing.entries[2]);
    EXPECT_EQ(WimToSplit(listing, L"NTFS", kFat32LargestFile), nullptr);
    listing.entries[2].size = kFat32LargestFile;
    EXPECT_EQ(WimToSplit(listing, L"FAT32", kFat32LargestFile), nullptr) << "it fits whole";
    listing.entries[3].size = kFat32LargestFile + 1;
    EXPECT_EQ(FirstFileTooLargeForFat32(listing), &listing.entries[3])
        << "only the root's is split";
}

// A stick of files in memory; Read hands out at most 3 bytes at a time, as short reads do.
class MemoryStick : public StickFiles {
  public:
    std::map<std::wstring, std::string> files;
    int opened = 0, closed = 0;
    bool failReads = false;

    bool Open(const std::wstring& path, int64_t& size) override {
        const auto it = files.find(path);
        if (it == files.end()) return false;
        ++opened;
        current_ = &it->second;
        at_ = 0;
        size = static_cast<int64_t>(current_->size());
        return true;
    }
    int64_t Read(const uint8_t*& bytes, size_t count) override {
        if (failReads) return -1;
        const size_t n = std::min({count, size_t{3}, current_->size() - at_});
        bytes = reinterpret_cast<const uint8_t*>(current_->data()) + at_;
        at_ += n;
        return static_cast<int64_t>(n);
    }
    void Close() override { ++closed; }

  private:
    const std::string* current_ = nullptr;
    size_t at_ = 0;
};

ReadBackOutcome Check(MemoryStick& stick, const std::vector<ReadBackItem>& items,
                      const std::string& stream, size_t piece) {
    ReadBackOutcome outcome;
    {
        ReadBackCheck check(items, stick);
        bool ok = true;
        for (size_t at = 0; ok && at < stream.size(); at += piece) {
            const std::string part = stream.substr(at, piece);
            ok = check.Feed(reinterpret_cast<const uint8_t*>(part.data()), part.size());
        }
        if (ok) check.Finish();
        outcome = check.Outcome();
    }
    EXPECT_EQ(stick.opened, stick.closed) << "every file opened is closed";
    return outcome;
}

TEST(ReadBackCheck, FindsTheFirstDifference) {
    const std::vector<ReadBackItem> items = {
        {L"a.txt", 5}, {L"empty", 0}, {L"b\\c.bin", 7}, {L"replaced", 4, false}};
    const struct {
        const char* name;
        std::wstring path;  // the file changed
        std::string content;
        Difference difference;
        int64_t found;
    } cases[] = {
        {"same", L"a.txt", "hello", Difference::None, 0},
        {"missing empty file", L"empty", "", Difference::Missing, 0},
        {"shorter", L"a.txt", "hell", Difference::Size, 4},
        {"one byte changed", L"b\\c.bin", "abcdXfg", Difference::Content, 4},
        {"lost to zeros", L"b\\c.bin", std::string(7, '\0'), Difference::Content, 0},
    };
    for (const auto& c : cases) {
        for (size_t piece : {1, 5, 16}) {
            SCOPED_TRACE(testing::Message() << c.name << " in pieces of " << piece);
            MemoryStick stick;
            stick.files = {{L"a.txt", "hello"}, {L"empty", ""}, {L"b\\c.bin", "abcdefg"}};
            stick.files[c.path] = c.content;
            if (c.difference == Difference::Missing) stick.files.erase(c.path);
            const ReadBackOutcome outcome = Check(stick, items, "helloabcdefgWXYZ", piece);
            EXPECT_EQ(outcome.difference, c.difference);
            EXPECT_EQ(outcome.path, c.difference == Difference::None ? L"" : c.path);
            EXPECT_EQ(outcome.found, c.found);
        }
    }
}

TEST(ReadBackCheck, StreamAndStickFailures) {
    const std::vector<ReadBackItem> items = {{L"a", 2}, {L"b", 2}};
    MemoryStick stick;
    stick.files = {{L"a", "xy"}, {L"b", "zw"}};
    EXPECT_EQ(Check(stick, items, "xyz", 8).difference, Difference::StreamShort);
    EXPECT_EQ(Check(stick, items, "xyzwq", 8).difference, Difference::StreamLong);
    stick.failReads = true;
    EXPECT_EQ(Check(stick, items, "xyzw", 8).difference, Difference::ReadFailed);
}

// Takes what it is fed; refuses a byte 'X'.
class Recorder : public ReadBackDiversion {
  public:
    std::string fed;
    int finished = 0;
    bool Feed(const uint8_t* data, size_t size) override {
        fed.append(reinterpret_cast<const char*>(data), size);
        return fed.find('X') == std::string::npos;
    }
    bool Finish() override { return ++finished == 1; }
};

TEST(ReadBackCheck, ADivertedItemsBytesGoToItsDiversionOnly) {
    for (size_t piece : {1, 3, 64}) {
        SCOPED_TRACE(piece);
        MemoryStick stick;
        stick.files = {{L"a", "ab"}, {L"b", "cd"}};
        Recorder parts;
        const std::vector<ReadBackItem> items = {{L"a", 2}, {L"w", 5, true, &parts}, {L"b", 2}};
        EXPECT_EQ(Check(stick, items, "ab12345cd", piece).difference, Difference::None);
        EXPECT_EQ(parts.fed, "12345");
        EXPECT_EQ(parts.finished, 1);
        Recorder failing;
        const std::vector<ReadBackItem> other = {{L"a", 2}, {L"w", 5, true, &failing}, {L"b", 2}};
        const ReadBackOutcome outcome = Check(stick, other, "ab12X45cd", piece);
        EXPECT_EQ(outcome.difference, Difference::Diverted);
        EXPECT_EQ(outcome.path, L"w");
    }
}

TEST(ReadBackItems, ReplacedFilesAreStreamedButNotChecked) {
    ImageListing listing;
    listing.entries = {{L"boot", 0, true}, {L"boot\\BCD", 10, false}, {L"setup.exe", 3, false}};
    const std::vector<ReadBackItem> items = ImageReadBackItems(listing, {L"BOOT\\bcd"});
    ASSERT_EQ(items.size(), 2u);
    EXPECT_FALSE(items[0].check);
    EXPECT_EQ(items[0].size, 10);
    EXPECT_TRUE(items[1].check);
}

}  // namespace

#include <gtest/gtest.h>

#include "job/wim_scan.h"
#include "tests/job/wim_test_image.h"

namespace {

const std::vector<TestResource> kImage = {
    {700}, {900, kWimResourceCompressed, 13}, {300, kWimResourceMetadata}};

TEST(WimScan, JudgesTheHeaderAsSoonAsItHasPassed) {
    TestWim wim = MakeTestWim(kImage);
    WimScan sound(5ull << 30);
    EXPECT_TRUE(sound.Feed(wim.bytes.data(), kWimHeaderSize));
    wim.bytes[0x0C] = 0x00;
    wim.bytes[0x0D] = 0x0E;
    wim.bytes[0x0E] = 0x00;  // version 0xE00
    WimScan solid(5ull << 30);
    EXPECT_TRUE(solid.Feed(wim.bytes.data(), kWimHeaderSize - 1));
    EXPECT_FALSE(solid.Feed(wim.bytes.data() + kWimHeaderSize - 1, 1000));
    EXPECT_EQ(solid.Refusal(), WimRefusal::Solid);
    EXPECT_EQ(solid.BytesDone(), kWimHeaderSize) << "the caller stops the archiver here";
}

WimScan Scan(const std::vector<uint8_t>& bytes, const std::vector<size_t>& pieces) {
    WimScan scan(bytes.size(), 256);
    EXPECT_TRUE(FeedInPieces(scan, bytes, pieces));
    return scan;
}

TEST(WimScan, KeepsTablesAndFingerprintWhateverThePieces) {
    const TestWim wim = MakeTestWim(kImage, 64);
    const WimScan whole = Scan(wim.bytes, {1 << 20});
    const auto at = [&](uint64_t offset) {
        return wim.bytes.begin() + static_cast<ptrdiff_t>(offset);
    };
    EXPECT_EQ(whole.Source().blobTable,
              std::vector<uint8_t>(at(wim.tableOffset), at(wim.xmlOffset)));
    EXPECT_EQ(whole.Source().xml, std::vector<uint8_t>(at(wim.xmlOffset), wim.bytes.end()));
    EXPECT_EQ(whole.Fingerprint().blocks.size(), (wim.bytes.size() + 255) / 256);
    for (const std::vector<size_t>& pieces :
         std::vector<std::vector<size_t>>{{1}, {7, 3}, {255, 1, 4099}, {257}}) {
        const WimScan scan = Scan(wim.bytes, pieces);
        EXPECT_EQ(scan.Source().blobTable, whole.Source().blobTable) << pieces[0];
        EXPECT_EQ(scan.Source().xml, whole.Source().xml) << pieces[0];
        EXPECT_EQ(scan.Fingerprint().blocks, whole.Fingerprint().blocks) << pieces[0];
    }
    // One changed byte changes its own block's hash, and no other.
    for (const size_t changed :
         {size_t{300}, size_t{511}, size_t{512}, wim.tableOffset - 1, wim.bytes.size() - 1}) {
        std::vector<uint8_t> other = wim.bytes;
        other[changed] ^= 0x01;
        const std::vector<uint64_t>& expected = whole.Fingerprint().blocks;
        const std::vector<uint64_t> found = Scan(other, {100}).Fingerprint().blocks;
        ASSERT_EQ(found.size(), expected.size());
        for (size_t block = 0; block < expected.size(); ++block)
            EXPECT_EQ(found[block] == expected[block], block != changed / 256) << changed;
    }
}

TEST(WimScan, AStreamOfAnotherSizeThanListedIsAnError) {
    const TestWim wim = MakeTestWim(kImage);
    WimScan longer(wim.bytes.size() + 1);
    EXPECT_TRUE(longer.Feed(wim.bytes.data(), wim.bytes.size()));
    EXPECT_FALSE(longer.Finish());
    EXPECT_TRUE(longer.StreamShort());
    std::vector<uint8_t> stream = wim.bytes;
    stream.resize(stream.size() + 10);
    WimScan shorter(wim.bytes.size());
    EXPECT_FALSE(shorter.Feed(stream.data(), stream.size()));
    EXPECT_FALSE(shorter.Finish());
    EXPECT_TRUE(shorter.StreamLong());
    EXPECT_EQ(shorter.Refusal(), WimRefusal::None);
}

}  // namespace

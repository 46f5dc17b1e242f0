#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

using Parts = std::vector<std::wstring>;

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
    const struct {
        const wchar_t* line;
        Parts parts;
    } cases[] = {
        {L"Tarnvik.exe", {L"Tarnvik.exe"}},
        {L"\"C:\\Program Files\\Tarnvik.exe\"", {L"C:\\Program Files\\Tarnvik.exe"}},
        {L"\"C:\\T\\Tarnvik.exe\" debug", {L"C:\\T\\Tarnvik.exe", L"debug"}},
        {L"Tarnvik.exe   debug  ", {L"Tarnvik.exe", L"debug"}},
        {L"Tarnvik.exe \"D:\\My Images\\Win 11.iso\"",
         {L"Tarnvik.exe", L"D:\\My Images\\Win 11.iso"}},
        {L"Tarnvik.exe D:\\\"My Images\"\\a.iso", {L"Tarnvik.exe", L"D:\\My Images\\a.iso"}},
        {L"Tarnvik.exe \"\"", {L"Tarnvik.exe", L""}},
        {L"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(SplitCommandLine(c.line), c.parts);
    }
}

// The disk-command fuzz target finds a missing file or a folder (a size below 0) taken for an
// image, and checks that the image field begins with its name.
TEST(ClassifyArgument, DebugWordOrNonEmptyIsoFile) {
    const struct {
        const wchar_t* argument;
        int64_t size;
        ArgumentKind kind;
    } cases[] = {
        {L"debug", -1, ArgumentKind::Debug},
        {L"dEbUg", -1, ArgumentKind::Debug},
        {L"debug.iso", 10, ArgumentKind::IsoImage},
        {L"C:\\images\\Setup.ISO", 1, ArgumentKind::IsoImage},
        {L"C:\\images\\setup.iso", 0, ArgumentKind::Ignored},  // empty
        {L"C:\\images\\disk.iso.bak", 10, ArgumentKind::Ignored},
        {L"C:\\images.iso\\disk", 10, ArgumentKind::Ignored},  // the dot is in a folder name
        {L"C:\\images\\iso", 10, ArgumentKind::Ignored},
        {L"C:\\images\\disk.img", 10, ArgumentKind::Ignored},
        {L"debugging", -1, ArgumentKind::Ignored},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.argument << " " << c.size);
        EXPECT_EQ(ClassifyArgument(c.argument, c.size), c.kind);
    }
}

TEST(IsoFieldText, NameTwoBlanksAndSize) {
    EXPECT_EQ(IsoFieldText(L"C:\\images\\Setup.ISO", 1536), L"Setup.ISO  (1.50 KB)");
    EXPECT_EQ(IsoFieldText(L"D:/iso/a b.iso", 4LL << 30), L"a b.iso  (4.00 GB)");
}

}  // namespace

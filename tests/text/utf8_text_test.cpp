#include "text/utf8_text.h"

#include <gtest/gtest.h>

namespace {

// Well-formed text and its round trips are the disk-command fuzz target's; the log file's test
// pins the bytes.
TEST(WideFromUtf8, ReplacesEachByteOfMalformedSequences) {
    EXPECT_EQ(WideFromUtf8("a\x80z"), L"a\uFFFDz");
    EXPECT_EQ(WideFromUtf8("\xC3"), L"\uFFFD");
    // An overlong "/" and an overlong NUL.
    EXPECT_EQ(WideFromUtf8("\xC0\xAF"), L"\uFFFD\uFFFD");
    EXPECT_EQ(WideFromUtf8("\xE0\x80\x80"), L"\uFFFD\uFFFD\uFFFD");
    // A UTF-16 surrogate written as UTF-8.
    EXPECT_EQ(WideFromUtf8("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");
    // Past U+10FFFF.
    EXPECT_EQ(WideFromUtf8("\xF4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(WideFromUtf8("\xF7\xBF\xBF\xBF"), L"\uFFFD\uFFFD\uFFFD\uFFFD");
}

TEST(Utf8FromWide, ReplacesLoneSurrogates) {
    EXPECT_EQ(Utf8FromWide(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace

#include "text/utf8_text.h"

#include <gtest/gtest.h>

namespace {

TEST(WideFromUtf8, DecodesWellFormedText) {
    EXPECT_EQ(WideFromUtf8("My Stick"), L"My Stick");
    EXPECT_EQ(WideFromUtf8("\xC3\xA9t\xC3\xA9"), L"\u00E9t\u00E9");
    EXPECT_EQ(WideFromUtf8("\xE2\x82\xAC"), L"\u20AC");
    EXPECT_EQ(Utf8FromWide(WideFromUtf8("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");
}

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

TEST(Utf8FromWide, RoundTripsCharactersAndReplacesLoneSurrogates) {
    const std::wstring text = L"A\u00E9\u20AC\U0001F600";
    EXPECT_EQ(WideFromUtf8(Utf8FromWide(text)), text);
    EXPECT_EQ(Utf8FromWide(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace

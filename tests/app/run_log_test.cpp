#include <gtest/gtest.h>

#include "app/run_log.h"

namespace {

TEST(LogLineBytes, Utf8AndCrLf) {
    EXPECT_EQ(LogLineBytes(L""), "\r\n");
    EXPECT_EQ(LogLineBytes(L"Exit"), "Exit\r\n");
    EXPECT_EQ(LogLineBytes(L"[Grüße]"),
              "[Gr\xC3\xBC\xC3\x9F"
              "e]\r\n");
    EXPECT_EQ(LogLineBytes(L"\u20AC \u65E5"), "\xE2\x82\xAC \xE6\x97\xA5\r\n");
}

TEST(LogPathForProgram, ReplacesTheExtension) {
    EXPECT_EQ(LogPathForProgram(L"C:\\Tools\\Tarnvik.exe"), L"C:\\Tools\\Tarnvik.log");
    EXPECT_EQ(LogPathForProgram(L"C:\\Tools\\Stick.Maker.EXE"), L"C:\\Tools\\Stick.Maker.log");
    EXPECT_EQ(LogPathForProgram(L"C:\\My.Tools\\Tarnvik"), L"C:\\My.Tools\\Tarnvik.log");
}

TEST(LogHeaderLine, TwoBlanksBeforeTheDash) {
    EXPECT_EQ(LogHeaderLine(ClockFromFields({2017, 3, 5, 14, 7, 9})),
              L"Tarnvik log file  - 2017/03/05,14:07:09");
}

}  // namespace

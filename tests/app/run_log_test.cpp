#include <gtest/gtest.h>

#include "app/run_log.h"

namespace {

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

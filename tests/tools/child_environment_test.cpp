#include <gtest/gtest.h>

#include "tools/child_environment.h"

namespace {

TEST(ChildEnvironmentBlock, PathIsTheSystemsAloneAndTheRestStaysInOrder) {
    using namespace std::string_literals;
    const struct {
        std::vector<std::wstring> variables;
        std::wstring block;
    } cases[] = {
        {{L"=C:=C:\\w", L"Path=C:\\Users\\u\\bin;C:\\w", L"TEMP=C:\\t"},
         L"=C:=C:\\w\0PATH=S\0TEMP=C:\\t\0\0"s},
        // A second PATH would be read by some programs instead of the first.
        {{L"PATH=a", L"path=b", L"PATHEXT=.EXE"}, L"PATH=S\0PATHEXT=.EXE\0\0"s},
        {{L"A=1"}, L"A=1\0PATH=S\0\0"s},
        {{}, L"PATH=S\0\0"s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChildEnvironmentBlock(c.variables, L"S"), c.block);
        EXPECT_EQ(EnvironmentVariables(c.block.c_str()).size(),
                  std::count(c.block.begin(), c.block.end(), L'\0') - 1);
    }
}

}  // namespace

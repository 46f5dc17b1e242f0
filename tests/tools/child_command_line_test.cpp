#include <gtest/gtest.h>

#include "tools/child_command_line.h"

namespace {

// The disk-command fuzz target splits any child's line back into its program and parameters, and
// checks the start folder against any program path; these the rest.
TEST(ChildCommandLine, NoBlankAfterAProgramWithoutParameters) {
    EXPECT_EQ(ChildCommandLine(L"C:\\My Tools\\x.exe", L""), L"\"C:\\My Tools\\x.exe\"");
}

TEST(ChildCommandLine, AWorkingFolderGivenIsTheShellFolder) {
    EXPECT_EQ(ShellFolderFor(L"C:\\T\\x.exe", L"D:\\w"), L"D:\\w");
}

}  // namespace

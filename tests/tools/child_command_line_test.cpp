#include <gtest/gtest.h>

#include "tools/child_command_line.h"

namespace {

TEST(ChildCommandLine, QuotesTheProgramOnly) {
    EXPECT_EQ(
        ChildCommandLine(L"C:\\T\\Bootice.exe", L"/device=E: /mbr /install /type=nt60 /quiet"),
        L"\"C:\\T\\Bootice.exe\" /device=E: /mbr /install /type=nt60 /quiet");
    EXPECT_EQ(ChildCommandLine(L"\"C:\\Program Files\\x.exe\"", L"a"),
              L"\"C:\\Program Files\\x.exe\" a");
    EXPECT_EQ(ChildCommandLine(L"C:\\My Tools\\x.exe", L""), L"\"C:\\My Tools\\x.exe\"");
    EXPECT_EQ(ChildCommandLine(L"C:\\T\\USB7z.exe", L"x -y \"D:\\a b.iso\" -o\"E:\\\""),
              L"\"C:\\T\\USB7z.exe\" x -y \"D:\\a b.iso\" -o\"E:\\\"");
}

TEST(ChildCommandLine, ShellFolder) {
    EXPECT_EQ(ShellFolderFor(L"C:\\work\\TarnvikAddFiles\\", L""), L"C:\\work\\TarnvikAddFiles\\");
    EXPECT_EQ(ShellFolderFor(L"C:\\T\\x.exe", L""), L"C:\\T\\");
    EXPECT_EQ(ShellFolderFor(L"x.exe", L""), L"");
    EXPECT_EQ(ShellFolderFor(L"C:\\T\\x.exe", L"D:\\w"), L"D:\\w");
}

}  // namespace

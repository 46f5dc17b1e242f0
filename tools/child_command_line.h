#pragma once
#include <string>

// The program in double quotes (unless it already starts with one), then a blank and the
// parameters when there are any. Nothing else is quoted or escaped.
std::wstring ChildCommandLine(const std::wstring& program, const std::wstring& parameters);

// The folder the shell starts a program in when no working folder is given: the program's path
// up to and including its last backslash, or empty text.
std::wstring ShellFolderFor(const std::wstring& program, const std::wstring& workingFolder);

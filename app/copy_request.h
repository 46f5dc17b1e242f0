#pragma once
#include <string>

// The question shown before a drive is formatted.
std::wstring FormatWarningText(const std::wstring& driveRow, const std::wstring& fileSystem,
                               const std::wstring& label);

// The disk tool takes the label unquoted on its command line, where "/" or a double quote would
// start a switch of its own (such as a second "/device=").
bool LabelIsSafe(const std::wstring& label);
inline constexpr wchar_t kUnsafeLabelMessage[] =
    L"The volume label must not contain / or \".\r\nType another label.";

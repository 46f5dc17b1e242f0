#pragma once
#include <string>

// The text after the last backslash or slash.
std::wstring FileNamePart(const std::wstring& path);
// The text after the last "." of the last path component, or empty text when it has none.
std::wstring ExtensionOf(const std::wstring& path);
// Lower case for A-Z only: the names compared here ("debug", ".iso") are plain ASCII.
std::wstring AsciiLower(std::wstring text);

#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Splits at blanks; a stretch in double quotes may hold blanks and loses its quotes.
// The first element is the program name.
std::vector<std::wstring> SplitCommandLine(const std::wstring& line);

enum class ArgumentKind { Debug, IsoImage, Ignored };

// What the single argument asks for; fileSize is the argument's PathSize.
ArgumentKind ClassifyArgument(const std::wstring& argument, int64_t fileSize);

// "Setup.ISO  (1.50 KB)": how IsoField shows a chosen image.
std::wstring IsoFieldText(const std::wstring& isoPath, int64_t fileSize);

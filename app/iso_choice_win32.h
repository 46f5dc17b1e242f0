#pragma once
#include <string>

// The system's open-file dialog for one ISO image, starting in the current directory and
// leaving it unchanged; the full path chosen, or empty text when cancelled.
std::wstring ChooseIsoImage();

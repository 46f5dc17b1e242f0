#include "app/copy_request.h"

std::wstring FormatWarningText(const std::wstring& driveRow, const std::wstring& fileSystem,
                               const std::wstring& label) {
    return L"WARNING: The current USB device " + driveRow +
           L"\r\nwill be Formatted. ALL DATA WILL BE DELETED." + L"\r\nFile System: " + fileSystem +
           L"\r\nVolume Label: " + label + L"\r\n\r\nDo you want To Continue ?";
}

bool LabelIsSafe(const std::wstring& label) {
    return label.find_first_of(L"/\"") == std::wstring::npos;
}

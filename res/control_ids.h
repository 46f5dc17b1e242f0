#pragma once

// Window and control numbers; the test harness addresses controls by the same numbers.
enum WindowId : int { kAboutWindowId = 0, kMainWindowId = 1 };

enum ControlId : int {
    kAboutBackButton = 0,
    kAboutTitle = 1,
    kAboutNotice = 2,
    kDriveList = 3,
    kRefreshButton = 4,
    kWarningText = 5,
    kIsoField = 6,
    kIsoButton = 7,
    kAboutIcon = 8,
    kFileSystemCaption = 9,
    kFileSystemGroup = 10,
    kFat32Option = 11,
    kNtfsOption = 12,
    kLabelCaption = 13,
    kLabelField = 14,
    kBootCaption = 15,
    kBootGroup = 16,
    kStandardBootOption = 17,
    kGrub4DosOption = 18,
    kAddFilesGroup = 19,
    kAddFilesCheck = 20,
    kAddFilesCaption = 21,
    kAddFilesFolderIcon = 22,
    kCopyButton = 23,
    kStatusText = 24,
    kJobProgressBar = 25,
    kBackButton = 26,
};

inline constexpr wchar_t kWindowTitle[] = L"Tarnvik: Copy ISO to USB drive";
inline constexpr wchar_t kIsoPrompt[] = L"Select an ISO image ->";

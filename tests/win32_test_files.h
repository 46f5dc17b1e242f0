#pragma once
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/harness/harness.h"

// A path in a per-test folder under the system's temp folder, with nothing there: whatever an
// earlier run left at that path (Wine reuses process ids) is removed first.
inline std::wstring TempTestPath(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::wstring folder = std::wstring(temp) + L"tarnvik-tests-" +
                          std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::wstring(info->name(), info->name() + strlen(info->name()));
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\" + name;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    harness::EmptyFolder(path);
    RemoveDirectoryW(path.c_str());
    return path;
}

// A file's bytes, or "<missing>", so that a comparison shows what went wrong.
inline std::string ReadWholeFile(const std::wstring& path) {
    std::string bytes;
    return harness::ReadFileBytes(path, bytes) ? bytes : "<missing>";
}

inline bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    return harness::WriteFileBytes(path, bytes);
}

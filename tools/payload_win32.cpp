#include <windows.h>

#include "tools/payload_win32.h"

#include "res/resource_ids.h"
#include "tools/folders.h"
#include "tools/held_tool_file_win32.h"
#include "tools/path_size.h"
#include "tools/unique_handle_win32.h"

namespace {

Payload LoadPayload(int id) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) return {};
    return {static_cast<const uint8_t*>(LockResource(loaded)), SizeofResource(module, found)};
}

}  // namespace

Payload BooticePayload() {
    return LoadPayload(IDR_BOOTICE);
}
Payload SevenZipPayload() {
    return LoadPayload(IDR_SEVENZIP);
}
Payload SevenZipLibPayload() {
    return LoadPayload(IDR_SEVENZIP_LIB);
}

bool InstallPayload(const Payload& payload, const std::wstring& path) {
    if (PathSize(path) >= 0) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    }
    // A tool the build did not carry is a failed installation, and leaves no empty file behind.
    if (payload.size == 0) return false;
    {
        UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            DWORD written = 0;
            WriteFile(file.get(), payload.data, static_cast<DWORD>(payload.size), &written,
                      nullptr);
        }
    }
    return PathSize(path) == static_cast<int64_t>(payload.size);
}

bool InstallPayload(const Payload& payload, const std::wstring& path, HeldToolFile& held) {
    held.Release();
    return InstallPayload(payload, path) && held.HoldAndCheck(path, payload);
}

std::wstring TempBooticePath() {
    return TempFolder() + L"Bootice.exe";
}
std::wstring TempSevenZipPath() {
    return TempFolder() + L"USB7z.exe";
}
std::wstring TempSevenZipLibPath() {
    return TempFolder() + L"7z.dll";
}

std::wstring ToolOverrideFolder() {
    return CurrentFolder() + L"Tarnvik\\";
}

void DeleteIfNotEmpty(const std::wstring& path) {
    if (PathSize(path) > 0) DeleteFileW(path.c_str());
}

std::wstring PrepareBootice(std::wstring& booticePath, HeldToolFile& heldBootice) {
    const std::wstring replacement = ToolOverrideFolder() + L"Bootice.exe";
    if (PathSize(replacement) > 0) {
        booticePath = replacement;
        return {};
    }
    if (InstallPayload(BooticePayload(), booticePath, heldBootice)) return {};
    DeleteIfNotEmpty(TempBooticePath());
    return L"An error occurred while installing Bootice in temp folder";
}

std::wstring PrepareSevenZip(std::wstring& sevenZipPath, std::wstring& sevenZipLibPath,
                             HeldToolFile& heldSevenZip, HeldToolFile& heldSevenZipLib) {
    const std::wstring replacement = ToolOverrideFolder() + L"7z.exe";
    const std::wstring replacementLib = ToolOverrideFolder() + L"7z.dll";
    if (PathSize(replacement) > 0 && PathSize(replacementLib) > 0) {
        sevenZipPath = replacement;
        sevenZipLibPath = replacementLib;
        return {};
    }
    std::wstring error;
    if (!InstallPayload(SevenZipPayload(), sevenZipPath, heldSevenZip)) {
        error = L"An error occurred while installing 7z.exe in temp folder";
    } else if (!InstallPayload(SevenZipLibPayload(), sevenZipLibPath, heldSevenZipLib)) {
        error = L"An error occurred while installing 7z.dll in temp folder";
    } else {
        return {};
    }
    DeleteTempSevenZip(heldSevenZip, heldSevenZipLib);
    return error;
}

void DeleteTempSevenZip(HeldToolFile& heldSevenZip, HeldToolFile& heldSevenZipLib) {
    heldSevenZip.Release();
    heldSevenZipLib.Release();
    DeleteIfNotEmpty(TempSevenZipPath());
    DeleteIfNotEmpty(TempSevenZipLibPath());
}

#include <windows.h>

#include "tools/payload_win32.h"

#include "res/resource_ids.h"
#include "tools/folders.h"
#include "tools/held_tool_file_win32.h"
#include "tools/path_size.h"
#include "tools/unique_handle_win32.h"

#include <vector>

namespace {

bool ReadWhole(const std::wstring& path, std::vector<uint8_t>& bytes) {
    constexpr LONGLONG kLargestTool = 256LL * 1024 * 1024;
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        size.QuadPart > kLargestTool) {
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t got = 0;
    while (got < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &read,
                      nullptr) ||
            read == 0) {
            return false;
        }
        got += read;
    }
    return true;
}

enum class Replacement { None, Read, Unreadable };

// A replacement tool of at least one byte, read whole so that what is copied and checked is
// what was read. One that is there but cannot be read (or is larger than any tool could sensibly
// be) fails the installation rather than have the carried tool run in its place unasked.
Replacement ReadReplacement(const std::wstring& path, std::vector<uint8_t>& bytes) {
    if (PathSize(path) <= 0) return Replacement::None;
    return ReadWhole(path, bytes) ? Replacement::Read : Replacement::Unreadable;
}

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

std::wstring ToolOverrideFolder() {
    return CurrentFolder() + L"Tarnvik\\";
}

void DeleteToolFile(const std::wstring& path, HeldToolFile& held) {
    held.Release();
    if (PathSize(path) > 0) DeleteFileW(path.c_str());
}

std::wstring PrepareBootice(const std::wstring& booticePath, HeldToolFile& heldBootice) {
    std::vector<uint8_t> replacement;
    const Replacement replaced =
        ReadReplacement(ToolOverrideFolder() + L"Bootice.exe", replacement);
    const Payload payload = replaced == Replacement::Read
                                ? Payload{replacement.data(), replacement.size()}
                                : BooticePayload();
    if (replaced != Replacement::Unreadable && InstallPayload(payload, booticePath, heldBootice))
        return {};
    DeleteToolFile(booticePath, heldBootice);
    return L"An error occurred while installing Bootice in temp folder";
}

std::wstring PrepareSevenZip(const std::wstring& sevenZipPath, const std::wstring& sevenZipLibPath,
                             HeldToolFile& heldSevenZip, HeldToolFile& heldSevenZipLib) {
    // Both replacement files or neither: a console program of one build with the library of
    // another would not work.
    std::vector<uint8_t> replacement, replacementLib;
    const Replacement replaced = ReadReplacement(ToolOverrideFolder() + L"7z.exe", replacement);
    const Replacement replacedLib =
        ReadReplacement(ToolOverrideFolder() + L"7z.dll", replacementLib);
    const bool pair = replaced != Replacement::None && replacedLib != Replacement::None;
    const Payload program =
        pair ? Payload{replacement.data(), replacement.size()} : SevenZipPayload();
    const Payload library =
        pair ? Payload{replacementLib.data(), replacementLib.size()} : SevenZipLibPayload();
    std::wstring error;
    if ((pair && replaced == Replacement::Unreadable) ||
        !InstallPayload(program, sevenZipPath, heldSevenZip)) {
        error = L"An error occurred while installing 7z.exe in temp folder";
    } else if ((pair && replacedLib == Replacement::Unreadable) ||
               !InstallPayload(library, sevenZipLibPath, heldSevenZipLib)) {
        error = L"An error occurred while installing 7z.dll in temp folder";
    } else {
        return {};
    }
    DeleteToolFile(sevenZipPath, heldSevenZip);
    DeleteToolFile(sevenZipLibPath, heldSevenZipLib);
    return error;
}

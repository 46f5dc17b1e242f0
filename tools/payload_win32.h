#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class HeldToolFile;

// A tool file carried inside the program; empty when the build did not have it.
struct Payload {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

Payload BooticePayload();
Payload SevenZipPayload();
Payload SevenZipLibPayload();

// Writes the payload to the path, replacing what is there (read-only or not). True when the
// file then has exactly the payload's length; an empty payload never installs.
[[nodiscard]] bool InstallPayload(const Payload& payload, const std::wstring& path);
// The same, then the file held and its bytes checked against the payload's (HeldToolFile), so
// that what runs later is what we wrote.
[[nodiscard]] bool InstallPayload(const Payload& payload, const std::wstring& path,
                                  HeldToolFile& held);

// The folder "Tarnvik" under the current directory, whose tool files replace the payloads.
std::wstring ToolOverrideFolder();

// Settle which BOOTICE or 7-Zip files a step runs: the replacement files when present, else the
// payloads written into the temp folder (the paths passed in) and held there. Empty text on
// success, the error text to report otherwise.
[[nodiscard]] std::wstring PrepareBootice(std::wstring& booticePath, HeldToolFile& heldBootice);
[[nodiscard]] std::wstring PrepareSevenZip(std::wstring& sevenZipPath,
                                           std::wstring& sevenZipLibPath,
                                           HeldToolFile& heldSevenZip,
                                           HeldToolFile& heldSevenZipLib);

// The tools' copies in the temp folder, under the names the clean-up looks for.
std::wstring TempBooticePath();
std::wstring TempSevenZipPath();
std::wstring TempSevenZipLibPath();

// Lets the temp copies of 7-Zip go and deletes them.
void DeleteTempSevenZip(HeldToolFile& heldSevenZip, HeldToolFile& heldSevenZipLib);

// Deletes a file if it has at least one byte; what the clean-up rules do with the temp copies.
void DeleteIfNotEmpty(const std::wstring& path);

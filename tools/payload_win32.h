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

// Settle the BOOTICE or 7-Zip files a step runs, at the paths passed in (in the job's tool
// folder): the replacement files when present, else the payloads, copied there and held. Empty
// text on success, the error text to report otherwise.
[[nodiscard]] std::wstring PrepareBootice(const std::wstring& booticePath,
                                          HeldToolFile& heldBootice);
[[nodiscard]] std::wstring PrepareSevenZip(const std::wstring& sevenZipPath,
                                           const std::wstring& sevenZipLibPath,
                                           HeldToolFile& heldSevenZip,
                                           HeldToolFile& heldSevenZipLib);

// Lets a tool file go and deletes it.
void DeleteToolFile(const std::wstring& path, HeldToolFile& held);

// The disk tool's build for stick images under Wine. There the stick's volume is a FUSE mount on
// the Linux side, which Wine can neither lock nor dismount, and a mount that is still up when the
// tool writes its boot sector overwrites it when it goes. So instead of locking, the tool asks a
// helper that the test started to unmount the volume, and when the tool ends it asks for the
// volume to be mounted again at the same folder, so the letter shows it as before.
// Wine starts Linux programs but cannot wait for them: the two sides talk through files in the
// folder named by TARNVIK_TEST_STICK_HANDSHAKE. The tool writes "request" ("unmount" or "mount");
// the helper removes it, does the work, and writes "answer" ("ok" or anything else).
// Only that build links this unit, in place of disk/exclusive_access_win32.cpp.
#include <windows.h>

#include <string>

#include "disk/disk_command.h"
#include "disk/disk_status.h"
#include "disk/exclusive_access_win32.h"

namespace {

constexpr ULONGLONG kUnmountTimeoutMs = 60000;
// The helper boots a small appliance for the mount, slowly on a busy machine.
constexpr ULONGLONG kMountTimeoutMs = 180000;
constexpr DWORD kPollMs = 100;

std::wstring HandshakeFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"TARNVIK_TEST_STICK_HANDSHAKE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return path;
}

bool WriteWhole(const std::wstring& path, const std::string& text) {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

std::string ReadSmall(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    char bytes[64] = {};
    DWORD got = 0;
    if (!file || !ReadFile(file.get(), bytes, sizeof bytes - 1, &got, nullptr)) return {};
    return std::string(bytes, got);
}

// Sends one request and waits for its answer. The request appears whole (written aside, then
// renamed), so the helper never reads half of it.
bool Ask(const std::string& what, ULONGLONG timeoutMs) {
    const std::wstring folder = HandshakeFolder();
    if (folder.empty()) return false;
    const std::wstring answer = folder + L"\\answer";
    const std::wstring request = folder + L"\\request";
    const std::wstring pending = folder + L"\\request.new";
    DeleteFileW(answer.c_str());
    if (!WriteWhole(pending, what) ||
        !MoveFileExW(pending.c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return false;
    }
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetFileAttributesW(answer.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() > deadline) {
            DeleteFileW(request.c_str());
            return false;
        }
        Sleep(kPollMs);
    }
    const std::string reply = ReadSmall(answer);
    DeleteFileW(answer.c_str());
    return reply.rfind("ok", 0) == 0;
}

// Owed once the volume was unmounted for us; paid when the tool ends, after every handle on the
// disk is closed. A volume that does not come back is a letter that did not return.
struct Remount {
    bool owed = false;
    ~Remount() {
        if (owed && !Ask("mount", kMountTimeoutMs)) ExitProcess(kDiskReadWriteFailed);
    }
};
Remount remount;

}  // namespace

bool LockDiskVolumes(uint32_t, wchar_t, VolumeLocks& locks) {
    locks.clear();
    // The master boot record lies before the partition, where no mount writes: a round of
    // unmounting and mounting (a quarter of a minute) would prove nothing more.
    const DiskCommand command = ParseDiskParameters(ParametersOfCommandLine(GetCommandLineW()));
    if (command.valid && command.action == DiskAction::kMbr) return true;
    if (!Ask("unmount", kUnmountTimeoutMs)) return false;
    remount.owed = true;
    return true;
}

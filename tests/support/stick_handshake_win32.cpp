#include "tests/support/stick_handshake_win32.h"

#include "tools/unique_handle_win32.h"

namespace {

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

}  // namespace

bool StickHelperPresent() { return !HandshakeFolder().empty(); }

bool AskStickHelper(const std::string& what, ULONGLONG timeoutMs) {
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

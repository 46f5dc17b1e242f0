#include "tests/support/stick_handshake_win32.h"

#include "tests/support/small_files.h"

namespace {

constexpr DWORD kPollMs = 100;

std::wstring HandshakeFolder() {
    return support::Variable(L"TARNVIK_TEST_STICK_HANDSHAKE");
}

}  // namespace

bool StickHelperPresent() {
    return !HandshakeFolder().empty();
}

bool AskStickHelper(const std::string& what, ULONGLONG timeoutMs) {
    const std::wstring folder = HandshakeFolder();
    if (folder.empty()) return false;
    const std::wstring answer = folder + L"\\answer";
    const std::wstring request = folder + L"\\request";
    const std::wstring pending = folder + L"\\request.new";
    DeleteFileW(answer.c_str());
    if (!support::WriteFileBytes(pending, what) ||
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
    const std::string reply = support::FileText(answer);
    DeleteFileW(answer.c_str());
    return reply.rfind("ok", 0) == 0;
}

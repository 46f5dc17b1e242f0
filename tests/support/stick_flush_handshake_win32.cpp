// Tarnvik's test build: on a real stick of the tests the read-back must not be served from the
// caches of the Linux mount, so the volume is unmounted, which writes it out, and mounted again.
// On the folders that stand for drives elsewhere there is nothing to write out; there a test can
// name a file (TARNVIK_TEST_TAMPER_FILE, relative to the root) whose first byte the stick then
// "loses", as a failing stick would.
// Only the test build links this unit, in place of job/stick_flush_win32.cpp.
#include "job/stick_flush_win32.h"
#include "tests/support/small_files.h"
#include "tests/support/stick_handshake_win32.h"
#include "tools/unique_handle_win32.h"

namespace {

// Two mounts' worth: the helper boots a small appliance for each, slowly on a busy machine.
constexpr ULONGLONG kRemountTimeoutMs = 240000;

void FlipFirstByte(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    unsigned char byte = 0;
    DWORD done = 0;
    if (!file || !ReadFile(file.get(), &byte, 1, &done, nullptr) || done != 1) return;
    byte ^= 0xFF;
    SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    WriteFile(file.get(), &byte, 1, &done, nullptr);
}

}  // namespace

void FlushStickForReadBack(const std::wstring& root) {
    const std::wstring tamper = support::Variable(L"TARNVIK_TEST_TAMPER_FILE");
    if (!tamper.empty()) FlipFirstByte(root + tamper);
    if (StickHelperPresent()) AskStickHelper("remount", kRemountTimeoutMs);
}

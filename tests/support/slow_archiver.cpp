// A stand-in for the 7-Zip console in Tarnvik's tests that never finishes on its own: given
// Tarnvik's extraction command line, it writes into the target folder (after -o"...") a little
// at a time for up to a minute, so that a test can cancel an extraction that is under way.
// With TARNVIK_TEST_SLOW_STREAMS set it extracts as the real archiver does, and instead streams
// an installer's install.wim slowly, a quarter megabyte every tenth of a second.
#include <windows.h>

#include <string>

#include "tests/support/real_archiver.h"

namespace {

int StreamSlowly() {
    HANDLE reader = nullptr, writer = nullptr;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!CreatePipe(&reader, &writer, &inherit, 0)) return 2;
    SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);
    HANDLE real = nullptr;
    if (stand_in::ForwardToRealArchiver(writer, &real) != 0) return 2;
    CloseHandle(writer);
    static char chunk[256 * 1024];
    DWORD got = 0, written = 0;
    while (ReadFile(reader, chunk, sizeof chunk, &got, nullptr) && got > 0 &&
           WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), chunk, got, &written, nullptr)) {
        Sleep(100);
    }
    CloseHandle(reader);
    WaitForSingleObject(real, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(real, &code);
    return static_cast<int>(code);
}

}  // namespace

int wmain() {
    const std::wstring line = GetCommandLineW();
    if (GetEnvironmentVariableW(L"TARNVIK_TEST_SLOW_STREAMS", nullptr, 0) > 0) {
        const bool wimStream = line.find(L" x -so ") != std::wstring::npos &&
                               line.find(L"install.wim\"") != std::wstring::npos;
        return wimStream ? StreamSlowly() : stand_in::ForwardToRealArchiver();
    }
    if (!stand_in::IsExtraction(line)) return stand_in::ForwardToRealArchiver();
    const size_t start = line.find(L"-o\"");
    if (start == std::wstring::npos) return 7;
    const size_t end = line.find(L'"', start + 3);
    const std::wstring target = line.substr(start + 3, end - start - 3);
    HANDLE file = CreateFileW((target + L"slow.bin").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, CREATE_ALWAYS, 0, nullptr);
    const std::string chunk(64 * 1024, 's');
    for (int i = 0; i < 600; ++i) {
        DWORD written = 0;
        WriteFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
        Sleep(100);
    }
    CloseHandle(file);
    return 0;
}

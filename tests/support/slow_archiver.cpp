// A stand-in for the 7-Zip console in Tarnvik's tests that never finishes on its own: given
// Tarnvik's extraction command line, it writes into the target folder (after -o"...") a little
// at a time for up to a minute, so that a test can cancel an extraction that is under way.
#include <windows.h>

#include <string>

#include "tests/support/real_archiver.h"

int wmain() {
    const std::wstring line = GetCommandLineW();
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

// A stand-in for the 7-Zip console in Tarnvik's tests whose last write comes just before its end:
// given Tarnvik's extraction command line, it has the real archiver extract the image, writes a
// file into the target folder (after -o"..."), lets Tarnvik's poll measure the drive for a
// second, then writes a second, larger file and ends at once with exit code 0, as an archiver
// finishing its last file does.
#include <windows.h>

#include <string>

#include "tests/support/real_archiver.h"

namespace {

bool WriteWhole(const std::wstring& path, size_t bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const std::string data(bytes, 'w');
    DWORD written = 0;
    const bool ok =
        WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
        written == data.size() && FlushFileBuffers(file);
    CloseHandle(file);
    return ok;
}

}  // namespace

int wmain() {
    const std::wstring line = GetCommandLineW();
    if (!stand_in::IsExtraction(line)) return stand_in::ForwardToRealArchiver();
    const size_t start = line.find(L"-o\"");
    if (start == std::wstring::npos) return 7;
    const size_t end = line.find(L'"', start + 3);
    const std::wstring target = line.substr(start + 3, end - start - 3);
    // The image itself too, so that the read-back that follows finds it on the stick.
    if (stand_in::ForwardToRealArchiver() != 0) return 2;
    if (!WriteWhole(target + L"first.bin", 512 * 1024)) return 2;
    // Tarnvik measures the drive four times a second while the archiver runs.
    Sleep(1000);
    if (!WriteWhole(target + L"last.bin", 3 * 1024 * 1024)) return 2;
    return 0;
}

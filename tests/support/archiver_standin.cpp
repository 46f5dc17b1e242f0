// A stand-in for the 7-Zip console in Tarnvik's tests. It plays the run its test needs and hands
// every other run (the listing before the format, the streams of the checks and the read-back)
// to the real archiver that the harness names in TARNVIK_TEST_REAL_ARCHIVER, so that the
// program's checks see the image as it is. Its mode is archiver.txt in the stand-in folder:
//   slow          the extraction writes slow.bin into the target a little at a time for a minute,
//                 so that a test can cancel an extraction under way
//   slow-streams  install.wim streams a quarter megabyte every quarter second, the rest as the
//                 real archiver does, so that a test can quit during the check or the split
//   failing       the extraction ends at once with 7-Zip's fatal-error code, as a stick that
//                 fills up or an image that breaks half-way makes it end
//   last-write    the real extraction, then first.bin, a second for Tarnvik to measure the drive
//                 (it does four times a second), and last.bin just before the end
//   real, or none everything goes to the real archiver
#include <string>

#include "tests/support/small_files.h"

namespace {

// Runs the real archiver with this process's parameters and standard handles (its output into
// the given handle instead, when there is one); the started process, or null.
HANDLE StartRealArchiver(HANDLE output = nullptr) {
    const std::wstring real = support::Variable(L"TARNVIK_TEST_REAL_ARCHIVER");
    const std::wstring line = GetCommandLineW();
    // The parameters follow the program's own name, quoted or not.
    const size_t end = line[0] == L'"' ? line.find(L'"', 1) : line.find(L' ');
    if (real.empty() || end == std::wstring::npos) return nullptr;
    std::wstring commandLine = L"\"" + real + L"\"" + line.substr(end + 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output ? output : GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    // Ended with the stand-in, as one archiver process would be: it must not outlive it in the
    // folder Tarnvik removes at the job's end.
    HANDLE group = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(group, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(real.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &info)) {
        return nullptr;
    }
    AssignProcessToJobObject(group, info.hProcess);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    return info.hProcess;
}

// The real archiver's exit code, or 2 (7-Zip's fatal error) when it did not start.
int Finish(HANDLE real) {
    DWORD code = 2;
    if (real && WaitForSingleObject(real, INFINITE) == WAIT_OBJECT_0)
        GetExitCodeProcess(real, &code);
    return static_cast<int>(code);
}

int StreamSlowly() {
    HANDLE reader = nullptr, writer = nullptr;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!CreatePipe(&reader, &writer, &inherit, 0)) return 2;
    SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);
    HANDLE real = StartRealArchiver(writer);
    CloseHandle(writer);
    static char chunk[256 * 1024];
    for (DWORD got = 0, written = 0;; Sleep(250)) {
        DWORD filled = 0;
        while (filled < sizeof chunk &&
               ReadFile(reader, chunk + filled, sizeof chunk - filled, &got, nullptr) && got > 0) {
            filled += got;
        }
        if (filled == 0 ||
            !WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), chunk, filled, &written, nullptr)) {
            break;
        }
    }
    CloseHandle(reader);
    return Finish(real);
}

}  // namespace

int wmain() {
    const std::string mode = support::FileText(support::StandInFolder() + L"archiver.txt");
    const std::wstring line = GetCommandLineW();
    if (mode == "slow-streams" && line.find(L" x -so ") != std::wstring::npos &&
        line.find(L"install.wim\"") != std::wstring::npos) {
        return StreamSlowly();
    }
    // The extraction's command line: 7z x -y "image" -o"target".
    const size_t start = line.find(L"-o\"");
    const bool played = mode == "slow" || mode == "failing" || mode == "last-write";
    if (!played || line.find(L" x -y \"") == std::wstring::npos || start == std::wstring::npos)
        return Finish(StartRealArchiver());
    if (mode == "failing") return 2;
    const std::wstring target = line.substr(start + 3, line.find(L'"', start + 3) - start - 3);
    if (mode == "slow") {
        const std::string chunk(64 * 1024, 's');
        for (int i = 0; i < 600; ++i, Sleep(100))
            support::WriteFileBytes(target + L"slow.bin", chunk, true);
        return 0;
    }
    const int code = Finish(StartRealArchiver());
    if (code != 0) return code;
    support::WriteFileBytes(target + L"first.bin", std::string(512 * 1024, 'w'));
    Sleep(1000);
    return support::WriteFileBytes(target + L"last.bin", std::string(3 * 1024 * 1024, 'w')) ? 0 : 2;
}

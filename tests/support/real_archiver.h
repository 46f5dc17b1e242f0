#pragma once
// For the stand-ins of the 7-Zip console: they play the extraction their test needs and hand
// every other run (the listing before the format, the stream of the read-back) to the real
// archiver that the test harness names in TARNVIK_TEST_REAL_ARCHIVER, so that the program's checks
// see the image as it is.
#include <windows.h>

#include <string>

namespace stand_in {

// The extraction's command line: 7z x -y "image" -o"target".
inline bool IsExtraction(const std::wstring& commandLine) {
    return commandLine.find(L" x -y \"") != std::wstring::npos;
}

// Runs the real archiver with this process's parameters and standard handles (its output to the
// given handle instead, when one is given); its exit code, or 2 (7-Zip's fatal error) when there
// is none. Without waiting, the process is handed back for the caller to wait on.
inline int ForwardToRealArchiver(HANDLE output = nullptr, HANDLE* started = nullptr) {
    wchar_t real[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"TARNVIK_TEST_REAL_ARCHIVER", real, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 2;
    const std::wstring line = GetCommandLineW();
    // The parameters follow the program's own name, quoted or not.
    size_t end = line[0] == L'"' ? line.find(L'"', 1) : line.find(L' ');
    if (end == std::wstring::npos) return 2;
    std::wstring commandLine = L"\"" + std::wstring(real) + L"\"" + line.substr(end + 1);
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
    if (!CreateProcessW(real, commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &info)) {
        return 2;
    }
    AssignProcessToJobObject(group, info.hProcess);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    if (started) {
        *started = info.hProcess;
        return 0;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
}

}  // namespace stand_in

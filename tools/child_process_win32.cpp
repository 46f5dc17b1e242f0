#include "tools/child_process_win32.h"

#include <shellapi.h>

#include <vector>

#include "tools/child_command_line.h"
#include "tools/child_environment.h"
#include "tools/system_library_win32.h"

namespace {

// The shell is the runner's fallback only: loaded when first needed, since importing it would
// load it and its dependencies before the program's first window.
BOOL ShellExecuteOnDemand(SHELLEXECUTEINFOW* shell) {
    static const SystemLibrary library(L"shell32.dll");
    const auto execute = library.Get<decltype(&ShellExecuteExW)>("ShellExecuteExW");
    return execute ? execute(shell) : FALSE;
}

// Our environment with PATH naming the system's folders only, for CreateProcessW.
std::wstring ToolEnvironment() {
    wchar_t system[MAX_PATH] = {}, windows[MAX_PATH] = {};
    const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
    const UINT windowsLength = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    std::wstring path;
    if (systemLength > 0 && systemLength < MAX_PATH) path = std::wstring(system, systemLength);
    if (windowsLength > 0 && windowsLength < MAX_PATH)
        path += L";" + std::wstring(windows, windowsLength);
    wchar_t* block = GetEnvironmentStringsW();
    std::wstring environment = ChildEnvironmentBlock(EnvironmentVariables(block), path);
    if (block) FreeEnvironmentStringsW(block);
    return environment;
}

ChildProcess Finish(HANDLE process, int64_t processId, unsigned flags) {
    UniqueHandle owned(process);
    if (owned && (flags & kWait)) WaitForSingleObject(owned.get(), INFINITE);
    if (!(flags & kKeep)) owned.reset();
    return ChildProcess(std::move(owned), processId, flags);
}

}  // namespace

ChildProcess StartChild(const std::wstring& program, const std::wstring& parameters,
                        const std::wstring& workingFolder, unsigned flags) {
    const bool hide = flags & kHide;
    std::wstring commandLine = ChildCommandLine(program, parameters);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = hide ? SW_HIDE : SW_SHOWNORMAL;
    const DWORD creation =
        NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT | (hide ? CREATE_NEW_CONSOLE : 0);
    std::wstring environment = ToolEnvironment();
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, creation,
                       environment.data(), workingFolder.empty() ? nullptr : workingFolder.c_str(),
                       &startup, &info)) {
        UniqueHandle thread(info.hThread);
        return Finish(info.hProcess, info.dwProcessId, flags);
    }

    const std::wstring folder = ShellFolderFor(program, workingFolder);
    SHELLEXECUTEINFOW shell{};
    shell.cbSize = sizeof shell;
    shell.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    shell.lpFile = program.c_str();
    shell.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    shell.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    shell.nShow = hide ? SW_HIDE : SW_SHOWNORMAL;
    if (!ShellExecuteOnDemand(&shell)) return {};
    return Finish(shell.hProcess, -1, flags);
}

ChildProcess StartChild(const std::wstring& program) {
    return StartChild(program, L"", L"", kNoFlags);
}

ChildProcess StartChildWithOutput(const std::wstring& program, const std::wstring& parameters,
                                  const std::wstring& workingFolder, HANDLE output) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueHandle nothing(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                     nullptr));
    UniqueHandle childOutput;
    if (!nothing || !DuplicateHandle(GetCurrentProcess(), output, GetCurrentProcess(),
                                     childOutput.put(), 0, TRUE, DUPLICATE_SAME_ACCESS)) {
        return {};
    }
    // Only these two handles go to the child, not whatever else another thread made inheritable.
    HANDLE passed[] = {childOutput.get(), nothing.get()};
    SIZE_T listSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
    std::vector<unsigned char> listBytes(listSize);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listBytes.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &listSize)) return {};
    ChildProcess started;
    if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, passed, sizeof passed,
                                  nullptr, nullptr)) {
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = nothing.get();
        startup.StartupInfo.hStdOutput = childOutput.get();
        startup.StartupInfo.hStdError = nothing.get();
        startup.lpAttributeList = list;
        std::wstring commandLine = ChildCommandLine(program, parameters);
        std::wstring environment = ToolEnvironment();
        PROCESS_INFORMATION info{};
        if (CreateProcessW(
                nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT | CREATE_UNICODE_ENVIRONMENT,
                environment.data(), workingFolder.empty() ? nullptr : workingFolder.c_str(),
                &startup.StartupInfo, &info)) {
            UniqueHandle thread(info.hThread);
            started = Finish(info.hProcess, info.dwProcessId, kKeep);
        }
    }
    DeleteProcThreadAttributeList(list);
    return started;
}

bool ChildProcess::Running() const {
    // A wait that fails counts as running, as a wait that times out does.
    return process_ && WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0;
}

void ChildProcess::Kill() const {
    if (process_) TerminateProcess(process_.get(), 0xFFFFFFFF);
}

bool ChildProcess::WaitForEnd(DWORD milliseconds) const {
    return process_ && WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

bool ChildProcess::ExitCode(DWORD& exitCode) const {
    if (!WaitForEnd(0)) return false;
    return GetExitCodeProcess(process_.get(), &exitCode) != FALSE;
}

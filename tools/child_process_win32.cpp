#include "tools/child_process_win32.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "tools/child_command_line.h"
#include "tools/unique_handle_win32.h"

namespace {

// Every kept record, so that none is lost while a caller holds it.
std::mutex g_childrenLock;
std::vector<std::unique_ptr<ChildProcess>> g_children;

ChildStart Finish(HANDLE process, int64_t processId, unsigned flags) {
    if (process && (flags & kWait)) WaitForSingleObject(process, INFINITE);
    if (!(flags & kKeep)) {
        if (process) CloseHandle(process);
        return {true, nullptr};
    }
    auto record = std::make_unique<ChildProcess>();
    record->process = process;
    record->processId = processId;
    record->flags = flags;
    ChildProcess* child = record.get();
    std::lock_guard<std::mutex> lock(g_childrenLock);
    g_children.push_back(std::move(record));
    return {true, child};
}

}  // namespace

ChildStart StartChild(const std::wstring& program, const std::wstring& parameters,
                      const std::wstring& workingFolder, unsigned flags) {
    const bool hide = flags & kHide;
    std::wstring commandLine = ChildCommandLine(program, parameters);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = hide ? SW_HIDE : SW_SHOWNORMAL;
    const DWORD creation = NORMAL_PRIORITY_CLASS | (hide ? CREATE_NEW_CONSOLE : 0);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, creation, nullptr,
                       workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
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
    if (!ShellExecuteExW(&shell)) return {};
    return Finish(shell.hProcess, -1, flags);
}

ChildStart StartChild(const std::wstring& program) {
    return StartChild(program, L"", L"", kNoFlags);
}

ChildStart StartChildWithOutput(const std::wstring& program, const std::wstring& parameters,
                                HANDLE output) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueHandle nothing(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                     nullptr));
    HANDLE duplicate = nullptr;
    if (!nothing || !DuplicateHandle(GetCurrentProcess(), output, GetCurrentProcess(), &duplicate,
                                     0, TRUE, DUPLICATE_SAME_ACCESS)) {
        return {};
    }
    UniqueHandle childOutput(duplicate);
    // Only these two handles go to the child, not whatever else another thread made inheritable.
    HANDLE passed[] = {childOutput.get(), nothing.get()};
    SIZE_T listSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
    std::vector<unsigned char> listBytes(listSize);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listBytes.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &listSize)) return {};
    ChildStart started;
    if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, passed,
                                  sizeof passed, nullptr, nullptr)) {
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = nothing.get();
        startup.StartupInfo.hStdOutput = childOutput.get();
        startup.StartupInfo.hStdError = nothing.get();
        startup.lpAttributeList = list;
        std::wstring commandLine = ChildCommandLine(program, parameters);
        PROCESS_INFORMATION info{};
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                           CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                           &startup.StartupInfo, &info)) {
            CloseHandle(info.hThread);
            started = Finish(info.hProcess, info.dwProcessId, kKeep);
        }
    }
    DeleteProcThreadAttributeList(list);
    return started;
}

bool ChildRunning(const ChildProcess* child) {
    // A wait that fails counts as running, as a wait that times out does.
    return child && WaitForSingleObject(child->process, 0) != WAIT_OBJECT_0;
}

void KillChild(const ChildProcess* child) {
    if (child && child->process) TerminateProcess(child->process, 0xFFFFFFFF);
}

bool ChildExitCode(const ChildProcess* child, DWORD& exitCode) {
    if (!child || !child->process || WaitForSingleObject(child->process, 0) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(child->process, &exitCode) != FALSE;
}

void CloseChild(ChildProcess* child) {
    if (!child) return;
    std::lock_guard<std::mutex> lock(g_childrenLock);
    auto it =
        std::find_if(g_children.begin(), g_children.end(),
                     [child](const std::unique_ptr<ChildProcess>& r) { return r.get() == child; });
    if (it == g_children.end()) return;
    if (child->process) CloseHandle(child->process);
    g_children.erase(it);
}

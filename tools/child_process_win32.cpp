#include "tools/child_process_win32.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "tools/child_command_line.h"

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
    for (HANDLE handle : {child->process, child->input, child->output, child->error}) {
        if (handle) CloseHandle(handle);
    }
    g_children.erase(it);
}

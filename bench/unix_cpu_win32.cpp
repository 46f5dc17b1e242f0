#include "bench/unix_cpu_win32.h"

#include <windows.h>

#include <cstdio>
#include <cwctype>

#include "tests/harness/harness.h"

using harness::ReadFileBytes;

namespace {

// CPU seconds (user and system) in one /proc stat file; -1 when it cannot be read.
double StatCpuSeconds(const std::wstring& statPath) {
    std::string stat;
    if (!ReadFileBytes(statPath, stat)) return -1;
    const size_t close = stat.rfind(')');
    unsigned long long user = 0, system = 0;
    // After the command name: state, then 10 fields, then utime and stime, in clock ticks.
    if (close == std::string::npos ||
        std::sscanf(stat.c_str() + close + 2,
                    "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user, &system) != 2) {
        return -1;
    }
    return static_cast<double>(user + system) / 100.0;  // USER_HZ
}

// The /proc folder of the Unix process that runs a Windows program whose command line holds the
// marker; empty when not found.
std::wstring ProcFolder(const std::string& marker) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (find == INVALID_HANDLE_VALUE) return {};
    std::wstring found;
    do {
        if (!iswdigit(entry.cFileName[0])) continue;
        const std::wstring dir = std::wstring(L"Z:\\proc\\") + entry.cFileName;
        std::string line;
        if (!ReadFileBytes(dir + L"\\cmdline", line) || line.find(marker) == std::string::npos)
            continue;
        found = dir;
        break;
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return found;
}

}  // namespace

double UnixCpuSeconds(const std::string& marker) {
    const std::wstring dir = ProcFolder(marker);
    return dir.empty() ? -1 : StatCpuSeconds(dir + L"\\stat");
}

double MainThreadCpuSeconds(const std::string& marker) {
    const std::wstring dir = ProcFolder(marker);
    if (dir.empty()) return -1;
    return StatCpuSeconds(dir + L"\\task\\" + dir.substr(dir.find_last_of(L'\\') + 1) + L"\\stat");
}

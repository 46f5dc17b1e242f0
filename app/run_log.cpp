#include "app/run_log.h"

std::string LogLineBytes(std::wstring_view text) {
    return Utf8FromWide(text) + "\r\n";
}

std::wstring LogPathForProgram(const std::wstring& programPath) {
    const size_t slash = programPath.find_last_of(L"\\/");
    const size_t dot = programPath.rfind(L'.');
    const bool hasExtension =
        dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    return (hasExtension ? programPath.substr(0, dot) : programPath) + L".log";
}

std::wstring LogHeaderLine(ClockValue now) {
    return L"Tarnvik log file  - " + FormatTimeStampAt(now);
}

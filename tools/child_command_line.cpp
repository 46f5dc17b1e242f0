#include "tools/child_command_line.h"

std::wstring ChildCommandLine(const std::wstring& program, const std::wstring& parameters) {
    std::wstring line = !program.empty() && program[0] == L'"' ? program : L"\"" + program + L"\"";
    if (!parameters.empty()) line += L" " + parameters;
    return line;
}

std::wstring ShellFolderFor(const std::wstring& program, const std::wstring& workingFolder) {
    if (!workingFolder.empty()) return workingFolder;
    const size_t slash = program.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : program.substr(0, slash + 1);
}

#include "tools/child_environment.h"

#include <cwctype>

namespace {

bool IsPath(const std::wstring& variable) {
    if (variable.size() < 5 || variable[4] != L'=') return false;
    for (size_t i = 0; i < 4; ++i) {
        if (std::towupper(static_cast<wint_t>(variable[i])) != static_cast<wint_t>(L"PATH"[i]))
            return false;
    }
    return true;
}

}  // namespace

std::wstring ChildEnvironmentBlock(const std::vector<std::wstring>& variables,
                                   const std::wstring& path) {
    std::wstring block;
    bool placed = false;
    for (const std::wstring& variable : variables) {
        if (variable.empty()) continue;
        if (IsPath(variable)) {
            // Only the first: a second PATH would be read by some programs instead.
            if (placed) continue;
            block += L"PATH=" + path;
            placed = true;
        } else {
            block += variable;
        }
        block += L'\0';
    }
    if (!placed) block += L"PATH=" + path + L'\0';
    block += L'\0';
    return block;
}

std::vector<std::wstring> EnvironmentVariables(const wchar_t* block) {
    std::vector<std::wstring> variables;
    if (!block) return variables;
    for (const wchar_t* variable = block; *variable;) {
        variables.emplace_back(variable);
        variable += variables.back().size() + 1;
    }
    return variables;
}

// The program's own command line, the command lines it gives its tools, and the disk tool's
// reading of the latter.
#include "app/command_line.h"
#include "disk/disk_command.h"
#include "tests/fuzz/fuzz_support.h"
#include "text/path_text.h"
#include "tools/child_command_line.h"

namespace {

std::wstring Quoted(const std::wstring& part) {
    return L"\"" + part + L"\"";
}

void CheckSplit(const std::wstring& line) {
    const std::vector<std::wstring> parts = SplitCommandLine(line);
    std::wstring requoted;
    for (size_t i = 0; i < parts.size(); ++i) {
        Require(parts[i].find(L'"') == std::wstring::npos, "a split part keeps no quote");
        if (line.find(L'"') == std::wstring::npos) {
            Require(!parts[i].empty() && parts[i].find_first_of(L" \t") == std::wstring::npos,
                    "without quotes, parts are non-empty and hold no blank");
        }
        requoted += (i ? L" " : L"") + Quoted(parts[i]);
    }
    Require(SplitCommandLine(requoted) == parts, "each part quoted and joined splits the same");
}

void CheckChildLine(const std::wstring& name, const std::wstring& parameters, bool preQuoted) {
    // A Windows path cannot hold a quote; the program may come already quoted.
    if (name.find(L'"') != std::wstring::npos) return;
    const std::wstring program = preQuoted ? Quoted(name) : name;
    const std::wstring line = ChildCommandLine(program, parameters);
    const std::vector<std::wstring> parts = SplitCommandLine(line);
    Require(!parts.empty() && parts[0] == name, "the child's first argument is its program");

    size_t blanks = 0;
    while (blanks < parameters.size() &&
           (parameters[blanks] == L' ' || parameters[blanks] == L'\t'))
        ++blanks;
    Require(ParametersOfCommandLine(line) == parameters.substr(blanks),
            "the disk tool reads back the parameters it was given");

    const std::wstring folder = ShellFolderFor(name, L"");
    Require(StartsWith(name, folder), "the start folder is a prefix of the program");
    Require(folder.empty() || folder.back() == L'\\', "the start folder ends in a backslash");
    Require(name.find(L'\\', folder.size()) == std::wstring::npos,
            "the start folder reaches the last backslash");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool preQuoted = input.ConsumeBool();
    const int64_t fileSize = input.ConsumeIntegral<int64_t>();
    const std::wstring first = ConsumeWide(input);
    const std::wstring second = ConsumeWide(input);

    CheckSplit(first);
    CheckChildLine(first, second, preQuoted);

    const ArgumentKind kind = ClassifyArgument(first, fileSize);
    if (kind == ArgumentKind::IsoImage) {
        Require(fileSize >= 1, "an image is a file with bytes");
        const std::wstring field = IsoFieldText(first, fileSize);
        Require(StartsWith(field, FileNamePart(first) + L"  (") && field.back() == L')',
                "the image field shows the file's name and size");
    }
    return 0;
}

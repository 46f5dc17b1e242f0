// A stand-in for BOOTICE in Tarnvik's tests. It does no disk work: it accepts exactly the four
// command lines Tarnvik gives, writes each run's parameters as one line to bootice-journal.txt
// beside itself, and for the format line empties the simulated drive's folder and gives it the
// label (Wine reads a folder drive's label from its .windows-label file). A file
// bootice-delay-ms.txt beside it makes the format take that long. A file bootice-fail.txt beside
// it, "format", "mbr", "pbr" or "grub4dos" and an exit code (such as "mbr 4"), makes that run
// journal its line, do nothing and end with that code, as a disk tool that failed its work does.
// "Beside itself" means in the folder TARNVIK_TEST_STANDIN_FOLDER names, when it is set.
// Any other command line is journalled as rejected and ends with exit code 2. The lines are read
// as our own disk tool reads them.
#include <windows.h>

#include <string>

#include "disk/disk_command.h"
#include "text/utf8_text.h"

namespace {

// The folder its files are in: the one the test names (Tarnvik runs its tools from a folder of
// its own, which the test cannot write), else its own.
std::wstring OwnFolder() {
    wchar_t path[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"TARNVIK_TEST_STANDIN_FOLDER", path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return std::wstring(path, length);
    length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

void Append(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void EmptyFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            EmptyFolder(path + L"\\");
            RemoveDirectoryW(path.c_str());
        } else {
            DeleteFileW(path.c_str());
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

std::string ReadSmallFile(const std::wstring& path) {
    char bytes[64] = {};
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    DWORD got = 0;
    ReadFile(file, bytes, sizeof bytes - 1, &got, nullptr);
    CloseHandle(file);
    return std::string(bytes, got);
}

// The exit code bootice-fail.txt asks of this kind of run, or 0.
int FailureAsked(const std::string& kind) {
    const std::string asked = ReadSmallFile(OwnFolder() + L"bootice-fail.txt");
    if (asked.rfind(kind + " ", 0) != 0) return 0;
    return atoi(asked.c_str() + kind.size() + 1);
}

}  // namespace

int wmain() {
    const std::wstring parameters = ParametersOfCommandLine(GetCommandLineW());
    const DiskCommand command = ParseDiskParameters(parameters);
    Append(OwnFolder() + L"bootice-journal.txt",
           (command.valid ? "" : "REJECTED ") + Utf8FromWide(parameters) + "\r\n");
    if (!command.valid) return 2;
    const char* const kinds[] = {"format", "mbr", "pbr", "grub4dos"};
    if (const int code = FailureAsked(kinds[static_cast<int>(command.action)])) return code;
    if (command.action == DiskAction::kFormat) {
        Sleep(
            static_cast<DWORD>(atoi(ReadSmallFile(OwnFolder() + L"bootice-delay-ms.txt").c_str())));
        const std::wstring root = std::wstring(1, command.driveLetter) + L":\\";
        EmptyFolder(root);
        HANDLE label = CreateFileW((root + L".windows-label").c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, 0, nullptr);
        const std::string text = Utf8FromWide(command.label);
        DWORD written = 0;
        WriteFile(label, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(label);
    }
    return 0;
}

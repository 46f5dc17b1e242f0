// A stand-in for BOOTICE in Tarnvik's tests. It does no disk work: it accepts exactly the four
// command lines Tarnvik gives, writes each run's parameters as one line to bootice-journal.txt
// beside itself, and for the format line empties the simulated drive's folder and gives it the
// label (Wine reads a folder drive's label from its .windows-label file). A file
// bootice-delay-ms.txt beside it makes the format take that long. A file bootice-fail.txt beside
// it, "format", "mbr", "pbr" or "grub4dos" and an exit code (such as "mbr 4"), makes that run
// journal its line, do nothing and end with that code, as a disk tool that failed its work does.
// Any other command line is journalled as rejected and ends with exit code 2.
#include <windows.h>

#include <string>

namespace {

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// The command line after the program's own (quoted) path.
std::wstring Parameters() {
    std::wstring line = GetCommandLineW();
    size_t end = line[0] == L'"' ? line.find(L'"', 1) + 1 : line.find(L' ');
    if (end == std::wstring::npos || end > line.size()) return {};
    while (end < line.size() && line[end] == L' ') ++end;
    return line.substr(end);
}

std::string Utf8(const std::wstring& text) {
    std::string out(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr),
                    '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()),
                        nullptr, nullptr);
    out.pop_back();
    return out;
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

bool StartsWith(const std::wstring& text, const std::wstring& start) {
    return text.rfind(start, 0) == 0;
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
    const std::wstring parameters = Parameters();
    const std::wstring journal = OwnFolder() + L"bootice-journal.txt";
    // "/device=E: " and what follows it.
    if (!StartsWith(parameters, L"/device=") || parameters.size() < 11 || parameters[9] != L':' ||
        parameters[10] != L' ') {
        Append(journal, "REJECTED " + Utf8(parameters) + "\r\n");
        return 2;
    }
    const std::wstring root = parameters.substr(8, 2) + L"\\";
    const std::wstring rest = parameters.substr(11);
    const std::wstring formatStart = L"/partitions /repartition /activate /usb-hdd /fstype=";
    const std::wstring labelEnd = L" /quiet";
    std::string kind = rest == L"/mbr /install /type=nt60 /quiet"      ? "mbr"
                       : rest == L"/pbr /install /type=bootmgr /quiet" ? "pbr"
                       : rest == L"/pbr /install /type=grub4dos /pbr-disable-floppy /quiet"
                           ? "grub4dos"
                           : "";
    std::wstring choice, fileSystem;
    if (StartsWith(rest, formatStart) && rest.size() >= formatStart.size() + labelEnd.size() &&
        rest.compare(rest.size() - labelEnd.size(), labelEnd.size(), labelEnd) == 0) {
        choice =
            rest.substr(formatStart.size(), rest.size() - formatStart.size() - labelEnd.size());
        for (const std::wstring name : {L"FAT32", L"NTFS"}) {
            if (StartsWith(choice, name + L" /vollabel=")) {
                kind = "format";
                fileSystem = name;
            }
        }
    }
    Append(journal, (kind.empty() ? "REJECTED " : "") + Utf8(parameters) + "\r\n");
    if (kind.empty()) return 2;
    if (const int code = FailureAsked(kind)) return code;
    if (kind == "format") {
        Sleep(
            static_cast<DWORD>(atoi(ReadSmallFile(OwnFolder() + L"bootice-delay-ms.txt").c_str())));
        EmptyFolder(root);
        HANDLE label = CreateFileW((root + L".windows-label").c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, 0, nullptr);
        const std::string text = Utf8(choice.substr(fileSystem.size() + 11));
        DWORD written = 0;
        WriteFile(label, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(label);
    }
    return 0;
}

// A stand-in for BOOTICE in Tarnvik's tests. It does no disk work: it accepts exactly the four
// command lines Tarnvik gives (read as our own disk tool reads them), writes each run's parameters
// as one line to bootice-journal.txt in the stand-in folder (any other line as rejected, ending
// with exit code 2), and for the format line empties the simulated drive's folder and gives it
// the label (Wine reads a folder drive's label from its .windows-label file). Its orders, in the
// stand-in folder: bootice-delay-ms.txt makes the format take that long; bootice-fail.txt,
// "format", "mbr", "pbr" or "grub4dos" and an exit code (such as "mbr 4"), makes that run end
// with that code having done nothing, as a disk tool that failed its work does.
#include <string>

#include "disk/disk_command.h"
#include "tests/support/small_files.h"
#include "text/utf8_text.h"

int wmain() {
    const std::wstring folder = support::StandInFolder();
    const std::wstring parameters = ParametersOfCommandLine(GetCommandLineW());
    const DiskCommand command = ParseDiskParameters(parameters);
    support::WriteFileBytes(folder + L"bootice-journal.txt",
                            (command.valid ? "" : "REJECTED ") + Utf8FromWide(parameters) + "\r\n",
                            true);
    if (!command.valid) return 2;
    const std::string kinds[] = {"format ", "mbr ", "pbr ", "grub4dos "};
    const std::string& kind = kinds[static_cast<int>(command.action)];
    const std::string failure = support::FileText(folder + L"bootice-fail.txt");
    if (failure.rfind(kind, 0) == 0) return atoi(failure.c_str() + kind.size());
    if (command.action == DiskAction::kFormat) {
        Sleep(
            static_cast<DWORD>(atoi(support::FileText(folder + L"bootice-delay-ms.txt").c_str())));
        const std::wstring root = std::wstring(1, command.driveLetter) + L":";
        support::EmptyFolder(root);
        support::WriteFileBytes(root + L"\\.windows-label", Utf8FromWide(command.label));
    }
    return 0;
}

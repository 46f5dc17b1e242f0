// Shows Tarnvik at work on a display without a person in front of it. It runs the program's test
// build (which reports the drive E: on USB) with the real 7-Zip payload and the image the run
// command made. With "real-stick", E: is a stick image the run command mapped, and the disk tool
// is the real one (its build that has the volume unmounted while it writes); without, E: is a
// folder and a stand-in for BOOTICE does no disk work. Its pictures show Tarnvik's window alone.
// Usage: run_demo IMAGE.iso [real-stick]
#include <windows.h>

#include <cstdio>
#include <memory>

#include "res/control_ids.h"
#include "tests/harness/harness.h"

using namespace harness;

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "run_demo: %s\n", what);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3) return Fail("usage: run_demo IMAGE.iso [real-stick]");
    const std::wstring image = argv[1];
    const bool realStick = argc == 3 && std::wstring(argv[2]) == L"real-stick";
    const std::wstring folder = BuildFolder() + L"\\run";
    MakeFolders(folder + L"\\Tarnvik");
    DeleteFileW((folder + L"\\Tarnvik\\bootice-journal.txt").c_str());
    const std::wstring exe = InstallTestBuild(folder);
    const std::wstring tool = realStick ? L"TarnvikDiskStickBuild.exe" : L"fake_bootice.exe";
    CopyFileW((BuildFolder() + L"\\" + tool).c_str(), (folder + L"\\Tarnvik\\Bootice.exe").c_str(),
              FALSE);
    std::unique_ptr<SimulatedDrive> drive;
    if (!realStick) {
        // A pause in the stand-in's format, so that the running job can be pictured.
        WriteFileBytes(folder + L"\\Tarnvik\\bootice-delay-ms.txt", "1500");
        RemoveSimulatedDrives();
        drive = std::make_unique<SimulatedDrive>(L'E', DRIVE_REMOVABLE, folder + L"\\usb-stick-E",
                                                 L"DEMO STICK");
        if (!drive->Mapped()) return Fail("the simulated drive E: could not be mapped");
    }

    Program program;
    if (!program.Start(exe, L"debug", folder, L"E"))
        return Fail("Tarnvik.exe could not be started");
    HWND window = program.WaitForWindow(kWindowTitle);
    if (!window) return Fail("the Tarnvik window did not appear");
    program.Click(window, kIsoButton);
    const DialogState dialog = program.WaitForDialog(L"Choose an ISO image ...");
    if (!dialog.handle || !program.OpenFile(dialog, image))
        return Fail("the image could not be chosen");
    WaitUntil([&] {
        return program.Control(window, kIsoField).text.find(L".iso") != std::wstring::npos;
    });
    SaveWindowPicture(window, folder + L"\\1-chosen.png");

    program.Click(window, kCopyButton);
    const DialogState warning = program.WaitForDialog(L"Tarnvik");
    SaveWindowPicture(warning.handle, folder + L"\\2-warning.png");
    program.Answer(warning, IDYES);
    WaitUntil([&] { return !program.Control(window, kStatusText).text.empty(); });
    SaveWindowPicture(window, folder + L"\\3-running.png");
    if (!WaitUntil([&] { return program.Control(window, kBackButton).visible; }, 300000))
        return Fail("the job did not end");
    SaveWindowPicture(window, folder + L"\\4-finished.png");
    const std::wstring status = program.Control(window, kStatusText).text;
    program.Close(window);
    DWORD exitCode = 1;
    if (!program.WaitForExit(exitCode))
        return Fail("Tarnvik did not end after its window was closed");
    std::printf("The job ended with \"%ls\"; Tarnvik exited with code %lu.\n", status.c_str(),
                exitCode);
    return status == L"DONE" && exitCode == 0 ? 0 : 1;
}

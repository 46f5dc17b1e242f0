// Shows Tarnvik on a display without a person in front of it: starts the program from the build
// tree with the given arguments, saves a screenshot of its window, then closes it as a user would.
#include <windows.h>

#include <cstdio>

#include "tests/harness/harness.h"

int wmain(int argc, wchar_t** argv) {
    std::wstring arguments;
    for (int i = 1; i < argc; ++i) {
        if (!arguments.empty()) arguments += L" ";
        arguments += L"\"" + std::wstring(argv[i]) + L"\"";
    }
    const std::wstring folder = harness::BuildFolder() + L"\\run";
    harness::MakeFolders(folder);

    harness::Program program;
    if (!program.Start(harness::BuildFolder() + L"\\Tarnvik.exe", arguments, folder)) {
        std::fputs("run_demo: Tarnvik.exe could not be started\n", stderr);
        return 1;
    }
    HWND window = program.WaitForWindow(L"Tarnvik: Copy ISO to USB drive");
    if (!window) {
        std::fputs("run_demo: the Tarnvik window did not appear\n", stderr);
        return 1;
    }
    if (!harness::SaveWindowPicture(window, folder + L"\\tarnvik.png")) {
        std::fputs("run_demo: the screenshot could not be saved\n", stderr);
    }
    program.Close(window);
    DWORD exitCode = 1;
    if (!program.WaitForExit(exitCode)) {
        std::fputs("run_demo: Tarnvik did not end after its window was closed\n", stderr);
        return 1;
    }
    std::printf("Tarnvik showed its window and ended with exit code %lu.\n", exitCode);
    return exitCode == 0 ? 0 : 1;
}

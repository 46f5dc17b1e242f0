// A child program for the runner's tests: "sleep MS", "exit CODE" and "cwd FILE" (writes its
// working folder into FILE), in any combination, in that order.
#include <windows.h>

#include <cstdlib>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    int code = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!wcscmp(argv[i], L"sleep")) Sleep(static_cast<DWORD>(_wtoi(argv[i + 1])));
        if (!wcscmp(argv[i], L"exit")) code = _wtoi(argv[i + 1]);
        if (!wcscmp(argv[i], L"cwd")) {
            wchar_t folder[MAX_PATH] = {};
            const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
            HANDLE file =
                CreateFileW(argv[i + 1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            WriteFile(file, folder, length * sizeof(wchar_t), &written, nullptr);
            CloseHandle(file);
        }
    }
    return code;
}

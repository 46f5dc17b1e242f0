// Loads the DLL named on its command line the ordinary way, its own folder searched first, as a
// program does that takes no care: the tests' proof that a planted DLL would be found at all.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    return LoadLibraryW(argv[1]) ? 0 : 1;
}

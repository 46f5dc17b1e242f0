// A stand-in for the 7-Zip console whose extraction fails at once with 7-Zip's "fatal error"
// exit code, as a stick that fills up or an image that breaks half-way makes it end.
#include <windows.h>

#include "tests/support/real_archiver.h"

int wmain() {
    if (!stand_in::IsExtraction(GetCommandLineW())) return stand_in::ForwardToRealArchiver();
    return 2;
}

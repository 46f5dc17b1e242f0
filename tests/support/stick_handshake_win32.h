#pragma once
#include <windows.h>

#include <string>

// The test builds of the disk tool and of Tarnvik talk to a helper on the Linux side that the test
// started (see tests/e2e/real_stick/rig.sh), since Wine starts Linux programs but cannot wait for
// them. The two sides share the folder named by TARNVIK_TEST_STICK_HANDSHAKE:
//   - the tool writes "request": its first line names the work, a second line may carry an
//     argument in UTF-8 (no line break at the end):
//       unmount                  unmount the stick's volume and wait until it is written out
//       mount                    mount it again at the same folder
//       remount                  both, so that nothing read afterwards comes from a cache
//       format-ntfs / LABEL      make an NTFS volume with the label in the partition that the
//                                stick's table names, as the disk tool's Linux build does; the
//                                volume is unmounted by then
//   - the helper removes "request", does the work and writes "answer": "ok", or anything else
//     for a failure.
// One request at a time; each file appears whole (written aside, then renamed).

// True when a helper is named for this run.
bool StickHelperPresent();
// Sends one request and waits, up to the time given, for its answer. True when it is "ok".
bool AskStickHelper(const std::string& request, ULONGLONG timeoutMs);

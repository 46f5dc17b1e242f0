#pragma once
#include <windows.h>

#include <string>

// Test builds only. A stick of the tests is a FUSE mount on the Linux side, which Wine can
// neither lock, dismount nor read past its caches; a helper that the test started does that on
// request. Wine starts Linux programs but cannot wait for them, so the two sides talk through
// files in the folder named by TARNVIK_TEST_STICK_HANDSHAKE: the program writes "request" (for
// example "unmount", "mount" or "remount"), the helper removes it, does the work and writes
// "answer" ("ok" or anything else).

// True when a helper is named for this run.
bool StickHelperPresent();
// Sends one request and waits for its answer; true when the helper answered "ok".
bool AskStickHelper(const std::string& request, ULONGLONG timeoutMs);

// The disk tool's build for stick images under Wine. There the stick's volume is a FUSE mount on
// the Linux side, which Wine can neither lock nor dismount, and a mount that is still up when the
// tool writes its boot sector overwrites it when it goes. So instead of locking, the tool asks a
// helper that the test started to unmount the volume, and when the tool ends it asks for the
// volume to be mounted again at the same folder, so the letter shows it as before.
// The requests go through the files of tests/support/stick_handshake_win32.h.
// Only that build links this unit, in place of disk/exclusive_access_win32.cpp.
#include <windows.h>

#include "disk/disk_command.h"
#include "disk/disk_status.h"
#include "disk/exclusive_access_win32.h"
#include "tests/support/stick_handshake_win32.h"

namespace {

constexpr ULONGLONG kUnmountTimeoutMs = 60000;
// The helper boots a small appliance for the mount, slowly on a busy machine.
constexpr ULONGLONG kMountTimeoutMs = 180000;

// Owed once the volume was unmounted for us; paid when the tool ends, after every handle on the
// disk is closed. A volume that does not come back is a letter that did not return.
struct Remount {
    bool owed = false;
    ~Remount() {
        if (owed && !AskStickHelper("mount", kMountTimeoutMs)) ExitProcess(kDiskReadWriteFailed);
    }
};
Remount remount;

}  // namespace

bool LockDiskVolumes(uint32_t, wchar_t, VolumeLocks& locks) {
    locks.clear();
    // The master boot record lies before the partition, where no mount writes: a round of
    // unmounting and mounting (a quarter of a minute) would prove nothing more.
    const DiskCommand command = ParseDiskParameters(ParametersOfCommandLine(GetCommandLineW()));
    if (command.valid && command.action == DiskAction::kMbr) return true;
    if (!AskStickHelper("unmount", kUnmountTimeoutMs)) return false;
    remount.owed = true;
    return true;
}

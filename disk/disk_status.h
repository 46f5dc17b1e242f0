#pragma once

// The disk tool's exit codes, one per kind of failure; the job reads them.
enum DiskStatus : int {
    kDiskOk = 0,
    kDiskBadCommandLine = 1,     // not one of the four command lines
    kDiskRefusedTarget = 2,      // not positively the chosen USB stick, or in use by the system
    kDiskNoExclusiveAccess = 3,  // a volume of the disk could not be locked and dismounted
    kDiskReadWriteFailed = 4,    // a read or write of the disk failed, or the letter did not return
    kDiskNotSupported = 5,       // a valid request this tool cannot carry out on this disk
};

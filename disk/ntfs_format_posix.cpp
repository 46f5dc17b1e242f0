#include "disk/ntfs_format_posix.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Runs a program with its arguments and its output silenced (mkntfs warns about formatting a
// file); true when it exits with 0.
bool RunQuietly(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int started = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return false;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Copies the parts of the file that hold data (not its holes) to the disk at the offset.
bool CopyWrittenParts(int file, off_t size, BlockDevice& disk, uint64_t offset) {
    const uint32_t sector = disk.SectorSize();
    std::vector<uint8_t> buffer(1 << 20);
    off_t at = 0;
    while (at < size) {
        off_t data = lseek(file, at, SEEK_DATA);
        if (data < 0) return errno == ENXIO;  // only holes are left
        off_t hole = lseek(file, data, SEEK_HOLE);
        if (hole < 0) return false;
        // Whole sectors: the file system's blocks need not line up with the disk's sectors.
        data -= data % sector;
        hole = std::min<off_t>(size, (hole + sector - 1) / sector * sector);
        for (off_t piece = data; piece < hole;) {
            const size_t length = static_cast<size_t>(std::min<off_t>(hole - piece, buffer.size()));
            if (pread(file, buffer.data(), length, piece) != static_cast<ssize_t>(length) ||
                !disk.Write(offset + static_cast<uint64_t>(piece), buffer.data(), length)) {
                return false;
            }
            piece += static_cast<off_t>(length);
        }
        at = hole;
    }
    return true;
}

}  // namespace

std::string FindMkntfs() {
    for (const char* path : {"/usr/sbin/mkntfs", "/sbin/mkntfs", "/usr/bin/mkntfs"}) {
        if (access(path, X_OK) == 0) return path;
    }
    return {};
}

DiskStatus FormatNtfsPosix(BlockDevice& disk, const std::string& mkntfs, uint64_t start,
                           uint64_t count, const std::string& label) {
    const char* folder = std::getenv("TMPDIR");
    std::string path = std::string(folder && *folder ? folder : "/tmp") + "/tarnvik-ntfs-XXXXXX";
    const int file = mkstemp(path.data());
    if (file < 0) return kDiskReadWriteFailed;
    unlink(path.c_str());  // gone with the descriptor, whatever happens
    const off_t size = static_cast<off_t>(count * disk.SectorSize());
    bool formatted = ftruncate(file, size) == 0;
    if (formatted) {
        // mkntfs names the file through our descriptor, which it inherits.
        formatted = RunQuietly({mkntfs, "--quick", "--force", "--quiet", "--sector-size",
                                std::to_string(disk.SectorSize()), "--partition-start",
                                std::to_string(start), "--heads", "255", "--sectors-per-track",
                                "63", "--label", label, "/proc/self/fd/" + std::to_string(file)});
    }
    const bool copied = formatted && CopyWrittenParts(file, size, disk, start * disk.SectorSize());
    close(file);
    return copied && disk.Flush() ? kDiskOk : kDiskReadWriteFailed;
}

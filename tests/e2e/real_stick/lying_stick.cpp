// A fake-capacity stick for the tests: a FUSE file system holding one file, stick.img, of the full
// size a stick claims, backed by a sparse file of that size. What is written below the capacity
// it really has is kept; what is written at or beyond it is accepted and lost, and reads there
// give zeros, as the sticks sold with a forged size do.
//
// Usage: lying_stick BACKING SIZE CAPACITY MOUNTPOINT [FUSE options, e.g. -f]
//   SIZE and CAPACITY in bytes. BACKING is made or extended to SIZE.
//
// Every read and write reaches this process (direct I/O, no kernel page cache for the file), so a
// reader after a remount sees only what the stick kept, whether it comes through a loop device or
// through QEMU's own host-cached drive.
#define FUSE_USE_VERSION 31
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr const char* kStickPath = "/stick.img";

class Stick {
  public:
    Stick(int backing, uint64_t size, uint64_t capacity)
        : backing_(backing), size_(size), capacity_(capacity), since_(time(nullptr)) {}
    ~Stick() { close(backing_); }
    Stick(const Stick&) = delete;
    Stick& operator=(const Stick&) = delete;

    uint64_t Size() const { return size_; }
    time_t Since() const { return since_; }

    // The part below the capacity from the backing file, zeros above it.
    int Read(char* buffer, size_t length, uint64_t offset) const {
        if (offset >= size_) return 0;
        length = static_cast<size_t>(std::min<uint64_t>(length, size_ - offset));
        const size_t kept = KeptLength(length, offset);
        if (!Transfer(buffer, kept, offset, false)) return -EIO;
        memset(buffer + kept, 0, length - kept);
        return static_cast<int>(length);
    }

    // Reports the whole length written, as the forged stick does, and keeps only what fits.
    int Write(const char* buffer, size_t length, uint64_t offset) const {
        if (offset >= size_) return -ENOSPC;
        length = static_cast<size_t>(std::min<uint64_t>(length, size_ - offset));
        if (!Transfer(const_cast<char*>(buffer), KeptLength(length, offset), offset, true)) {
            return -EIO;
        }
        return static_cast<int>(length);
    }

    // Discards and zeroing ranges (loop devices pass them on) apply to what the stick keeps.
    int Allocate(int mode, uint64_t offset, uint64_t length) const {
        if (offset >= size_ || length > size_ - offset) return -ENOSPC;
        if (offset >= capacity_) return 0;
        length = std::min(length, capacity_ - offset);
        return fallocate(backing_, mode, static_cast<off_t>(offset), static_cast<off_t>(length)) ==
                       0
                   ? 0
                   : -errno;
    }

    int Sync() const { return fdatasync(backing_) == 0 ? 0 : -errno; }

  private:
    size_t KeptLength(size_t length, uint64_t offset) const {
        if (offset >= capacity_) return 0;
        return static_cast<size_t>(std::min<uint64_t>(length, capacity_ - offset));
    }

    bool Transfer(char* buffer, size_t length, uint64_t offset, bool write) const {
        while (length > 0) {
            const ssize_t done = write
                                     ? pwrite(backing_, buffer, length, static_cast<off_t>(offset))
                                     : pread(backing_, buffer, length, static_cast<off_t>(offset));
            if (done < 0 && errno == EINTR) continue;
            if (done < 0) return false;
            // The backing file has the full size: a short read means a hole at its end (it was
            // shortened behind our back); the stick reads zeros there.
            if (done == 0) {
                if (write) return false;
                memset(buffer, 0, length);
                return true;
            }
            buffer += done;
            offset += static_cast<uint64_t>(done);
            length -= static_cast<size_t>(done);
        }
        return true;
    }

    int backing_;
    uint64_t size_;
    uint64_t capacity_;
    time_t since_;
};

Stick& TheStick() {
    return *static_cast<Stick*>(fuse_get_context()->private_data);
}

bool IsStick(const char* path) {
    return strcmp(path, kStickPath) == 0;
}

void* Init(fuse_conn_info*, fuse_config* config) {
    config->direct_io = 1;
    config->kernel_cache = 0;
    // The one file never changes size or place: no need to ask again each time.
    config->entry_timeout = 60;
    config->attr_timeout = 60;
    return fuse_get_context()->private_data;
}

int GetAttr(const char* path, struct stat* status, fuse_file_info*) {
    memset(status, 0, sizeof *status);
    status->st_uid = getuid();
    status->st_gid = getgid();
    status->st_atime = status->st_mtime = status->st_ctime = TheStick().Since();
    if (strcmp(path, "/") == 0) {
        status->st_mode = S_IFDIR | 0755;
        status->st_nlink = 2;
        return 0;
    }
    if (!IsStick(path)) return -ENOENT;
    status->st_mode = S_IFREG | 0644;
    status->st_nlink = 1;
    status->st_size = static_cast<off_t>(TheStick().Size());
    status->st_blocks = static_cast<blkcnt_t>(TheStick().Size() / 512);
    status->st_blksize = 4096;
    return 0;
}

int ReadDir(const char* path, void* entries, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
    if (strcmp(path, "/") != 0) return -ENOENT;
    fill(entries, ".", nullptr, 0, fuse_fill_dir_flags{});
    fill(entries, "..", nullptr, 0, fuse_fill_dir_flags{});
    fill(entries, kStickPath + 1, nullptr, 0, fuse_fill_dir_flags{});
    return 0;
}

int Open(const char* path, fuse_file_info* file) {
    if (!IsStick(path)) return -ENOENT;
    file->direct_io = 1;
    file->keep_cache = 0;
    return 0;
}

int Read(const char*, char* buffer, size_t length, off_t offset, fuse_file_info*) {
    return TheStick().Read(buffer, length, static_cast<uint64_t>(offset));
}

int Write(const char*, const char* buffer, size_t length, off_t offset, fuse_file_info*) {
    return TheStick().Write(buffer, length, static_cast<uint64_t>(offset));
}

// A stick's size is fixed; opening with O_TRUNC arrives here as a size of 0 and is refused.
int Truncate(const char* path, off_t size, fuse_file_info*) {
    if (!IsStick(path)) return -ENOENT;
    return static_cast<uint64_t>(size) == TheStick().Size() ? 0 : -EPERM;
}

int Allocate(const char* path, int mode, off_t offset, off_t length, fuse_file_info*) {
    if (!IsStick(path)) return -ENOENT;
    return TheStick().Allocate(mode, static_cast<uint64_t>(offset), static_cast<uint64_t>(length));
}

int Flush(const char*, fuse_file_info*) {
    return 0;
}

int Fsync(const char*, int, fuse_file_info*) {
    return TheStick().Sync();
}

// touch and the like set times; nothing here keeps them.
int SetTimes(const char*, const timespec*, fuse_file_info*) {
    return 0;
}

bool ParseBytes(const char* text, uint64_t* value) {
    if (!*text) return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = strtoull(text, &end, 10);
    if (errno || *end || text[0] == '-') return false;
    *value = parsed;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t size = 0, capacity = 0;
    if (argc < 5 || !ParseBytes(argv[2], &size) || !ParseBytes(argv[3], &capacity) || size == 0 ||
        capacity > size) {
        fprintf(stderr,
                "usage: %s BACKING SIZE CAPACITY MOUNTPOINT [FUSE options]\n"
                "  SIZE and CAPACITY in bytes, 0 < SIZE, CAPACITY <= SIZE\n",
                argv[0]);
        return 2;
    }
    const int backing = open(argv[1], O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (backing < 0) {
        fprintf(stderr, "%s: %s: %s\n", argv[0], argv[1], strerror(errno));
        return 1;
    }
    Stick stick(backing, size, capacity);
    struct stat status;
    if (fstat(backing, &status) != 0 || static_cast<uint64_t>(status.st_size) > size ||
        (static_cast<uint64_t>(status.st_size) < size &&
         ftruncate(backing, static_cast<off_t>(size)) != 0)) {
        fprintf(stderr, "%s: %s cannot have the size %s\n", argv[0], argv[1], argv[2]);
        return 1;
    }

    fuse_operations operations{};
    operations.getattr = GetAttr;
    operations.truncate = Truncate;
    operations.open = Open;
    operations.read = Read;
    operations.write = Write;
    operations.flush = Flush;
    operations.fsync = Fsync;
    operations.readdir = ReadDir;
    operations.init = Init;
    operations.utimens = SetTimes;
    operations.fallocate = Allocate;

    std::vector<char*> fuseArguments{argv[0]};
    fuseArguments.insert(fuseArguments.end(), argv + 4, argv + argc);
    return fuse_main(static_cast<int>(fuseArguments.size()), fuseArguments.data(), &operations,
                     &stick);
}

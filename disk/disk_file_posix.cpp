#include "disk/disk_file_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace {

class PosixDisk : public BlockDevice {
  public:
    PosixDisk(int fd, uint64_t size, uint32_t sectorSize, bool blockDevice)
        : fd_(fd), size_(size), sectorSize_(sectorSize), blockDevice_(blockDevice) {}
    ~PosixDisk() override { close(fd_); }
    PosixDisk(const PosixDisk&) = delete;
    PosixDisk& operator=(const PosixDisk&) = delete;

    uint64_t SizeBytes() const override { return size_; }
    uint32_t SectorSize() const override { return sectorSize_; }
    bool Read(uint64_t offset, void* buffer, size_t length) override {
        return Transfer(offset, static_cast<char*>(buffer), length, false);
    }
    bool Write(uint64_t offset, const void* buffer, size_t length) override {
        return Transfer(offset, const_cast<char*>(static_cast<const char*>(buffer)), length, true);
    }
    bool Flush() override { return fsync(fd_) == 0; }
    void Reread() {
        if (blockDevice_) ioctl(fd_, BLKRRPART);
    }

  private:
    bool Transfer(uint64_t offset, char* buffer, size_t length, bool write) {
        if (offset % sectorSize_ || length % sectorSize_ || offset + length > size_) return false;
        while (length > 0) {
            const ssize_t done = write ? pwrite(fd_, buffer, length, static_cast<off_t>(offset))
                                       : pread(fd_, buffer, length, static_cast<off_t>(offset));
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) return false;
            buffer += done;
            offset += static_cast<uint64_t>(done);
            length -= static_cast<size_t>(done);
        }
        return true;
    }

    int fd_;
    uint64_t size_;
    uint32_t sectorSize_;
    bool blockDevice_;
};

std::string ReadWord(const std::string& path) {
    std::ifstream in(path);
    std::string word;
    in >> word;
    return word;
}

// The device numbers ("major:minor") of a whole disk and of each of its partitions, which sysfs
// lists as folders of the disk that hold a "partition" file.
std::set<std::string> DiskAndPartitions(dev_t disk) {
    const std::string self = std::to_string(major(disk)) + ":" + std::to_string(minor(disk));
    std::set<std::string> numbers{self};
    const std::string sysfs = "/sys/dev/block/" + self + "/";
    DIR* folder = opendir(sysfs.c_str());
    if (!folder) return numbers;
    while (const dirent* entry = readdir(folder)) {
        const std::string child = sysfs + entry->d_name + "/";
        if (access((child + "partition").c_str(), F_OK) != 0) continue;
        const std::string number = ReadWord(child + "dev");
        if (!number.empty()) numbers.insert(number);
    }
    closedir(folder);
    return numbers;
}

// Mounted by the kernel (by device number) or through FUSE with the device named as the source,
// as ntfs-3g does.
bool AnyMounted(const std::set<std::string>& numbers, const std::string& path) {
    std::set<std::string> names;
    for (const std::string& number : numbers) {
        std::ifstream uevent("/sys/dev/block/" + number + "/uevent");
        std::string line;
        while (std::getline(uevent, line)) {
            if (line.rfind("DEVNAME=", 0) == 0) names.insert("/dev/" + line.substr(8));
        }
    }
    names.insert(path);
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, number, field;
        fields >> id >> parent >> number;
        if (numbers.count(number)) return true;
        while (fields >> field && field != "-") {
        }
        std::string type, source;
        fields >> type >> source;
        if (names.count(source)) return true;
    }
    return false;
}

}  // namespace

OpenedDisk OpenDiskPosix(const std::string& path) {
    OpenedDisk opened;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        opened.status = kDiskRefusedTarget;
        opened.problem = path + ": " + std::strerror(errno);
        return opened;
    }
    const bool block = S_ISBLK(info.st_mode);
    if (!block && !S_ISREG(info.st_mode)) {
        opened.status = kDiskRefusedTarget;
        opened.problem = path + " is neither an image file nor a block device";
        return opened;
    }
    if (block && AnyMounted(DiskAndPartitions(info.st_rdev), path)) {
        opened.status = kDiskRefusedTarget;
        opened.problem = path + " or one of its partitions is mounted";
        return opened;
    }
    // O_EXCL on a block device fails while the kernel has it or a partition of it in use.
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | (block ? O_EXCL : 0));
    if (fd < 0) {
        opened.status = block && errno == EBUSY ? kDiskNoExclusiveAccess : kDiskRefusedTarget;
        opened.problem = path + ": " + std::strerror(errno);
        return opened;
    }
    uint64_t size = static_cast<uint64_t>(info.st_size);
    int sectorSize = 512;
    if (block && (ioctl(fd, BLKGETSIZE64, &size) != 0 || ioctl(fd, BLKSSZGET, &sectorSize) != 0)) {
        close(fd);
        opened.status = kDiskReadWriteFailed;
        opened.problem = path + ": size or sector size unreadable";
        return opened;
    }
    opened.device = std::make_unique<PosixDisk>(fd, size, static_cast<uint32_t>(sectorSize), block);
    return opened;
}

void RereadPartitionsPosix(BlockDevice& device) {
    static_cast<PosixDisk&>(device).Reread();
}

#include "disk/physical_disk_win32.h"

#include <winioctl.h>

#include <algorithm>
#include <cstring>

namespace {

// A multiple of every sector size, and page-aligned as VirtualAlloc gives it.
constexpr size_t kTransferBytes = 1 << 20;
constexpr uint32_t kImageSectorSize = 512;

bool DeviceGeometry(HANDLE disk, uint64_t& size, uint32_t& sectorSize) {
    unsigned char buffer[sizeof(DISK_GEOMETRY_EX) + 256] = {};
    DWORD returned = 0;
    if (!DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, buffer, sizeof buffer,
                         &returned, nullptr) ||
        returned < offsetof(DISK_GEOMETRY_EX, Data)) {
        return false;
    }
    DISK_GEOMETRY_EX geometry;
    std::memcpy(&geometry, buffer, sizeof geometry);
    const uint32_t bytesPerSector = geometry.Geometry.BytesPerSector;
    if (bytesPerSector < 512 || bytesPerSector > 4096 || (bytesPerSector & (bytesPerSector - 1))) {
        return false;
    }
    sectorSize = bytesPerSector;
    size = static_cast<uint64_t>(geometry.DiskSize.QuadPart) / bytesPerSector * bytesPerSector;
    return size > 0;
}

// A real disk always answers its geometry; only a file reports a size of its own, and then it
// must be whole sectors, or it is no disk image.
bool ImageFileSize(HANDLE file, uint64_t& size, uint32_t& sectorSize) {
    LARGE_INTEGER fileSize{};
    if (!GetFileSizeEx(file, &fileSize) || fileSize.QuadPart <= 0 ||
        fileSize.QuadPart % kImageSectorSize != 0) {
        return false;
    }
    size = static_cast<uint64_t>(fileSize.QuadPart);
    sectorSize = kImageSectorSize;
    return true;
}

}  // namespace

std::wstring PhysicalDrivePath(uint32_t disk) {
    return L"\\\\.\\PhysicalDrive" + std::to_wstring(disk);
}

bool PhysicalDisk::Open(const std::wstring& path) {
    handle_.reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr));
    if (!handle_) return false;
    if (!DeviceGeometry(handle_.get(), size_, sectorSize_) &&
        !ImageFileSize(handle_.get(), size_, sectorSize_)) {
        handle_.reset();
        return false;
    }
    transfer_.reset(
        VirtualAlloc(nullptr, kTransferBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!transfer_) handle_.reset();
    return static_cast<bool>(handle_);
}

void PhysicalDisk::Close() {
    handle_.reset();
    transfer_.reset();
    size_ = 0;
    sectorSize_ = 0;
}

bool PhysicalDisk::WholeSectorsInside(uint64_t offset, size_t length) const {
    return handle_ && sectorSize_ != 0 && offset % sectorSize_ == 0 && length % sectorSize_ == 0 &&
           offset <= size_ && length <= size_ - offset;
}

bool PhysicalDisk::Seek(uint64_t offset) {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle_.get(), position, nullptr, FILE_BEGIN);
}

bool PhysicalDisk::Read(uint64_t offset, void* buffer, size_t length) {
    if (!WholeSectorsInside(offset, length) || !Seek(offset)) return false;
    auto* out = static_cast<unsigned char*>(buffer);
    while (length > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min(length, kTransferBytes));
        DWORD got = 0;
        if (!ReadFile(handle_.get(), transfer_.get(), chunk, &got, nullptr) || got != chunk) {
            return false;
        }
        std::memcpy(out, transfer_.get(), chunk);
        out += chunk;
        length -= chunk;
    }
    return true;
}

bool PhysicalDisk::Write(uint64_t offset, const void* buffer, size_t length) {
    if (!WholeSectorsInside(offset, length) || !Seek(offset)) return false;
    const auto* in = static_cast<const unsigned char*>(buffer);
    while (length > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min(length, kTransferBytes));
        std::memcpy(transfer_.get(), in, chunk);
        DWORD written = 0;
        if (!WriteFile(handle_.get(), transfer_.get(), chunk, &written, nullptr) ||
            written != chunk) {
            return false;
        }
        in += chunk;
        length -= chunk;
    }
    return true;
}

bool PhysicalDisk::Flush() {
    return handle_ && FlushFileBuffers(handle_.get());
}

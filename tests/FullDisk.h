#pragma once

// Makes the disk under one folder full while one of these lives: writes to the files in it
// take only the room left, then fail with ENOSPC, as on a disk with that much free space.
// Include it in one file of a test program only: the program's own write and pwrite64 then
// stand in front of the system's, so the store's, the copies' and Qt's writes come here.

#include <dlfcn.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>

inline std::string fullDiskFolder;
inline std::atomic<bool> fullDiskOn = false;
inline std::atomic<long long> fullDiskRoom = 0;

struct FullDisk {
    FullDisk(const std::string& folder, long long room) {
        fullDiskFolder = folder + "/";
        fullDiskRoom = room;
        fullDiskOn = true;
    }
    ~FullDisk() { fullDiskOn = false; }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;
};

// How much of a write of size to fd the disk takes; -1 with errno ENOSPC when none of it.
inline ssize_t fullDiskTakes(int fd, size_t size) {
    if (!fullDiskOn || size == 0)
        return ssize_t(size);
    char path[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = readlink(link.c_str(), path, sizeof path);
    if (length <= 0 || std::string(path, size_t(length)).rfind(fullDiskFolder, 0) != 0)
        return ssize_t(size);
    long long room = fullDiskRoom;
    long long taken = 0;
    do
        taken = std::min<long long>(room, (long long)size);
    while (!fullDiskRoom.compare_exchange_weak(room, room - taken));
    if (taken == 0) {
        errno = ENOSPC;
        return -1;
    }
    return ssize_t(taken);
}

extern "C" ssize_t write(int fd, const void* data, size_t size) {
    using Call = ssize_t (*)(int, const void*, size_t);
    static const auto system = reinterpret_cast<Call>(dlsym(RTLD_NEXT, "write"));
    const ssize_t taken = fullDiskTakes(fd, size);
    return taken < 0 ? -1 : system(fd, data, size_t(taken));
}

extern "C" ssize_t pwrite64(int fd, const void* data, size_t size, off64_t offset) {
    using Call = ssize_t (*)(int, const void*, size_t, off64_t);
    static const auto system = reinterpret_cast<Call>(dlsym(RTLD_NEXT, "pwrite64"));
    const ssize_t taken = fullDiskTakes(fd, size);
    return taken < 0 ? -1 : system(fd, data, size_t(taken), offset);
}

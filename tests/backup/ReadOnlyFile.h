#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

// A file that can be read but not written, by its owner or by root: read-only by its mode
// and, where the file system allows it, immutable. Made writable again when it goes.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(std::string path) : m_path(std::move(path)) {
        chmod(m_path.c_str(), 0444);
        setImmutable(true);
    }
    ~ReadOnlyFile() {
        setImmutable(false);
        chmod(m_path.c_str(), 0600);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // False where neither holds here, as for root on a file system without the flag.
    bool holds() const { return access(m_path.c_str(), W_OK) != 0; }

private:
    void setImmutable(bool on) {
        const int fd = open(m_path.c_str(), O_RDONLY);
        if (fd < 0)
            return;
        int flags = 0;
        if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        close(fd);
    }

    std::string m_path;
};

#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

// A folder in which no file can be made, by its owner or by root: read-only by its mode and,
// where the file system allows it, immutable. Made writable again when it goes.
class UnwritableFolder {
public:
    explicit UnwritableFolder(std::string path) : m_path(std::move(path)) {
        mkdir(m_path.c_str(), 0755);
        chmod(m_path.c_str(), 0555);
        setFlags(FS_IMMUTABLE_FL);
    }
    ~UnwritableFolder() {
        setFlags(0);
        chmod(m_path.c_str(), 0755);
    }
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;

    // False where neither holds here, as for root on a file system without the flag.
    bool holds() const {
        const std::string probe = m_path + "/probe";
        const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0)
            return true;
        close(fd);
        unlink(probe.c_str());
        return false;
    }

private:
    void setFlags(int wanted) {
        const int fd = open(m_path.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return;
        int flags = 0;
        if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = (flags & ~FS_IMMUTABLE_FL) | wanted;
            ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        close(fd);
    }

    std::string m_path;
};

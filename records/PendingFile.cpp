#include "records/PendingFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace {

struct CloseDir {
    void operator()(DIR* dir) const { closedir(dir); }
};

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// errno, or 0 once the folder's entries are on disk.
int syncFolder(const std::string& folder) {
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return errno;
    const int error = fsync(dir) == 0 ? 0 : errno;
    close(dir);
    return error;
}

} // namespace

PendingFile::PendingFile(const std::string& destination)
    : m_destination(destination), m_path(destination + ".part-XXXXXX") {
    m_fd = mkostemp(m_path.data(), O_CLOEXEC);
    m_error = m_fd < 0 ? errno : 0;
    if (m_fd >= 0) {
        m_lock = open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_lock >= 0)
            flock(m_lock, LOCK_EX);
    }
}

PendingFile::~PendingFile() {
    if (m_fd >= 0)
        close(m_fd);
    if (m_error == 0 && !m_placed)
        unlink(m_path.c_str());
    if (m_lock >= 0)
        close(m_lock);
}

void PendingFile::removeLeftovers(const std::string& folder) {
    const std::unique_ptr<DIR, CloseDir> dir(opendir(folder.c_str()));
    if (!dir)
        return;
    const std::string mark = ".part-";
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        const auto at = name.rfind(mark);
        if (at == std::string::npos || at == 0 || name.size() != at + mark.size() + 6)
            continue;
        const std::string path = folder + "/" + name;
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            unlink(path.c_str());
        close(fd);
    }
}

std::string PendingFile::realName(const std::string& name) {
    std::unique_ptr<char, decltype(&free)> real(realpath(name.c_str(), nullptr), &free);
    return real ? std::string(real.get()) : name;
}

int PendingFile::append(const char* data, size_t size) {
    const off_t start = m_written;
    while (size > 0) {
        const ssize_t written = write(m_fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return ENOSPC;
        data += written;
        size -= size_t(written);
        m_written += written;
    }
    return startWriteBack(start, m_written - start);
}

int PendingFile::finish() {
    int error = fsync(m_fd) == 0 ? 0 : errno;
    if (close(m_fd) != 0 && error == 0)
        error = errno;
    m_fd = -1;
    return error;
}

int PendingFile::place() {
    if (rename(m_path.c_str(), m_destination.c_str()) != 0)
        return errno;
    m_placed = true;
    return syncFolder(folderOf(m_destination));
}

// errno, or 0. The waiting collects the errors of the earlier pieces' write-back, which
// the final flush would then no longer report, so they are reported here. A file system
// that cannot take the hint is simply written back by the final flush.
int PendingFile::startWriteBack(off_t start, off_t length) {
    if (!m_writeBack)
        return 0;
    constexpr unsigned kWait =
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (sync_file_range(m_fd, start, length, SYNC_FILE_RANGE_WRITE) != 0 ||
        (m_previousStart > 0 && sync_file_range(m_fd, 0, m_previousStart, kWait) != 0)) {
        if (errno != ENOSYS && errno != EINVAL && errno != ESPIPE)
            return errno;
        m_writeBack = false;
    }
    m_previousStart = start;
    return 0;
}

#include "app/DatabaseBackup.h"

#include "app/RecordsFileCheck.h"
#include "app/RecordsLock.h"
#include "store/Database.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

// Large enough for the speed of a plain copy, small enough that memory stays small.
constexpr int kPiece = 1 << 20;

using Buffer = std::unique_ptr<char[]>;

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            close(fd);
    }
};

// The file a name stands for once symbolic links are followed; the name itself while no
// file has it.
std::string realName(const std::string& name) {
    std::unique_ptr<char, decltype(&free)> real(realpath(name.c_str(), nullptr), &free);
    return real ? std::string(real.get()) : name;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// errno, or 0 once the folder's entries are on disk.
int syncFolder(const std::string& folder) {
    const Descriptor dir{open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0)
        return errno;
    return fsync(dir.fd) == 0 ? 0 : errno;
}

// A file written under a name of its own beside its destination, readable and writable by
// its owner only; it is removed again unless it was put in place.
class PendingFile {
public:
    explicit PendingFile(const std::string& destination)
        : m_destination(destination), m_path(destination + ".part-XXXXXX") {
        m_fd = mkostemp(m_path.data(), O_CLOEXEC);
        m_error = m_fd < 0 ? errno : 0;
    }
    ~PendingFile() {
        if (m_fd >= 0)
            close(m_fd);
        if (m_error == 0 && !m_placed)
            unlink(m_path.c_str());
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // errno of the creation, or 0.
    int creationError() const { return m_error; }
    const std::string& path() const { return m_path; }

    // Appends data; errno, or 0. Each piece starts on its way to the disk at once, and all
    // before the piece before it is waited for, so the final flush finds little left to write
    // and few pieces wait in memory.
    int append(const char* data, size_t size) {
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

    // Flushes the file to disk and closes it; errno, or 0.
    int finish() {
        int error = fsync(m_fd) == 0 ? 0 : errno;
        if (close(m_fd) != 0 && error == 0)
            error = errno;
        m_fd = -1;
        return error;
    }

    // Renames the finished file over its destination in one step; errno, or 0.
    int place() {
        if (rename(m_path.c_str(), m_destination.c_str()) != 0)
            return errno;
        m_placed = true;
        return syncFolder(folderOf(m_destination));
    }

private:
    // errno, or 0. The waiting collects the errors of the earlier pieces' write-back, which
    // the final flush would then no longer report, so they are reported here. A file system
    // that cannot take the hint is simply written back by the final flush.
    int startWriteBack(off_t start, off_t length) {
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

    std::string m_destination;
    std::string m_path;
    int m_fd = -1;
    off_t m_written = 0;
    off_t m_previousStart = 0;
    bool m_writeBack = true;
    int m_error = 0;
    bool m_placed = false;
};

// Copies in pieces from an open file; the failure names the file that failed.
DatabaseBackup::Outcome copyFile(int in, const std::string& source, PendingFile& out,
                                 const std::string& target) {
    const Buffer buffer(new (std::nothrow) char[kPiece]);
    if (!buffer)
        return FileFailure{FileFailure::OutOfMemory, source};
    for (;;) {
        const ssize_t got = read(in, buffer.get(), kPiece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return FileFailure::fromErrno(errno, source);
        if (got == 0)
            return std::nullopt;
        if (const int error = out.append(buffer.get(), size_t(got)))
            return FileFailure::fromErrno(error, target);
    }
}

// A journal left beside a records file that is missing or not a database belongs to no file
// the engine could roll it back into, and would damage the restored one.
void removeStaleJournals(const std::string& database) {
    unlink((database + "-journal").c_str());
    unlink((database + "-wal").c_str());
}

} // namespace

DatabaseBackup::Outcome DatabaseBackup::backup(const RecordsLock& records,
                                               const std::string& target) {
    if (records.failure())
        return records.failure();
    const std::string destination = realName(target);
    // A backup file its owner write-protected is not replaced.
    if (access(destination.c_str(), F_OK) == 0 && access(destination.c_str(), W_OK) != 0)
        return FileFailure::fromErrno(errno, target);
    const Buffer buffer(new (std::nothrow) char[kPiece]);
    if (!buffer)
        return FileFailure{FileFailure::OutOfMemory, target};
    PendingFile copy(destination);
    if (copy.creationError() != 0)
        return FileFailure::fromErrno(copy.creationError(), target);
    const long long size = records.size();
    if (size < 0)
        return FileFailure{FileFailure::HardIO, records.name()};
    for (long long offset = 0; offset < size; offset += kPiece) {
        const int amount = int(std::min<long long>(kPiece, size - offset));
        if (!records.read(buffer.get(), amount, offset))
            return FileFailure{FileFailure::HardIO, records.name()};
        if (const int error = copy.append(buffer.get(), size_t(amount)))
            return FileFailure::fromErrno(error, target);
    }
    int error = copy.finish();
    if (error == 0)
        error = copy.place();
    if (error != 0)
        return FileFailure::fromErrno(error, target);
    return std::nullopt;
}

DatabaseBackup::Outcome DatabaseBackup::restore(const std::string& source) {
    const std::string name = Database::fileName;
    const std::string destination = realName(name);
    PendingFile copy(destination);
    {
        // Non-blocking, so that a pipe picked by mistake is refused rather than waited on.
        const Descriptor in{open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
        struct stat info {};
        if (in.fd < 0 || fstat(in.fd, &info) != 0)
            return FileFailure::fromErrno(errno, source);
        if (S_ISDIR(info.st_mode))
            return FileFailure{FileFailure::AccessDenied, source};
        if (!S_ISREG(info.st_mode))
            return FileFailure{FileFailure::NotRecords, source};
        if (copy.creationError() != 0)
            return FileFailure::fromErrno(copy.creationError(), name);
        if (auto failure = copyFile(in.fd, source, copy, name))
            return failure;
    }
    // Flushed before the check, which then reads a file the system is no longer writing out.
    if (const int error = copy.finish())
        return FileFailure::fromErrno(error, name);
    if (!RecordsFileCheck::isRecords(copy.path()))
        return FileFailure{FileFailure::NotRecords, source};
    // The current file stays locked until the new one has taken its name, so no operation
    // runs on it halfway through.
    const RecordsLock current(name);
    if (current.failure()) {
        const FileFailure::Kind kind = current.failure()->kind;
        if (kind != FileFailure::NotFound && kind != FileFailure::NotRecords)
            return current.failure();
        removeStaleJournals(destination);
    }
    if (const int error = copy.place())
        return FileFailure::fromErrno(error, name);
    return std::nullopt;
}

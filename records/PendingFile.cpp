#include "records/PendingFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace {

struct CloseDir {
    void operator()(DIR* dir) const { closedir(dir); }
};

// Hidden, and marked with a word no other program puts in its names.
const std::string kMark = ".medora-partial-";
// Earlier versions marked their copies of records files and backups so; such a file is
// taken for Medora's only when it also holds a database.
const std::string kOldMark = ".part-";
constexpr size_t kRandom = 6;                             // the characters mkostemp fills in
const std::string kDatabaseHeader("SQLite format 3", 16); // with its NUL
const std::string kPdfHeader = "%PDF-";

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string pendingName(const std::string& destination) {
    const auto slash = destination.rfind('/');
    const std::string base =
        slash == std::string::npos ? destination : destination.substr(slash + 1);
    return folderOf(destination) + "/." + base + kMark + "XXXXXX";
}

bool endsWithMark(const std::string& name, const std::string& mark) {
    const size_t length = mark.size() + kRandom;
    return name.size() > length && name.compare(name.size() - length, mark.size(), mark) == 0;
}

// What a writer of this version or an earlier one named its pending file, by the name alone.
bool namedAsPending(const std::string& name, bool& old) {
    old = false;
    if (name[0] == '.' && endsWithMark(name, kMark))
        return true;
    if (!endsWithMark(name, kOldMark))
        return false;
    const std::string base = name.substr(0, name.size() - kOldMark.size() - kRandom);
    old = base.ends_with(".mdb") || base.ends_with(".rbk");
    return old;
}

bool startsWith(int fd, const std::string& start) {
    std::string read(start.size(), '\0');
    return pread(fd, read.data(), read.size(), 0) == ssize_t(read.size()) && read == start;
}

// A copy under way is a database or a PDF document from its first bytes on, or still empty;
// anything else with such a name is someone else's, and so is a link, a folder or a file of
// another user.
bool holdsPendingCopy(int fd, bool old) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid())
        return false;
    if (old)
        return startsWith(fd, kDatabaseHeader);
    return info.st_size == 0 || startsWith(fd, kDatabaseHeader) || startsWith(fd, kPdfHeader);
}

// Still the file that was opened: not replaced by another since.
bool stillNames(int fd, const std::string& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
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
    : m_destination(destination), m_path(pendingName(destination)) {
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
    while (const dirent* entry = readdir(dir.get())) {
        bool old = false;
        if (!namedAsPending(entry->d_name, old))
            continue;
        const std::string path = folder + "/" + entry->d_name;
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        if (holdsPendingCopy(fd, old) && flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNames(fd, path))
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

int PendingFile::writeWhole(const std::string& destination, const char* data, size_t size) {
    PendingFile file(realName(destination));
    if (file.creationError() != 0)
        return file.creationError();
    if (const int error = file.append(data, size))
        return error;
    if (const int error = file.finish())
        return error;
    return file.place();
}

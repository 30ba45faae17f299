#include "records/ChosenFile.h"

#include "records/RecordsFileCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

ChosenFile::ChosenFile(const std::string& path)
    : m_fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)) {
    struct stat info {};
    if (m_fd < 0 || fstat(m_fd, &info) != 0)
        m_failure = FileFailure::fromErrno(errno, path);
    else if (S_ISDIR(info.st_mode))
        m_failure = FileFailure{FileFailure::AccessDenied, path};
    else if (!S_ISREG(info.st_mode))
        m_failure = FileFailure{FileFailure::NotRecords, path};
    else
        m_size = info.st_size;
}

ChosenFile::~ChosenFile() {
    if (m_fd >= 0)
        close(m_fd);
}

std::optional<FileFailure> ChosenFile::refusal(const std::string& source) {
    if (const ChosenFile chosen(source); chosen.failure())
        return chosen.failure();
    std::string fault;
    switch (RecordsFileCheck::examine(source, fault)) {
    case RecordsFileCheck::Verdict::Refused:
        return FileFailure{FileFailure::Refused, source, fault};
    case RecordsFileCheck::Verdict::Whole:
        return std::nullopt;
    default:
        return FileFailure{FileFailure::NotRecords, source};
    }
}

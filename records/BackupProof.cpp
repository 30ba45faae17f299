#include "records/BackupProof.h"

#include "records/PendingFile.h"
#include "records/RecordsFileCheck.h"

#include <unistd.h>

#include <cerrno>

BackupProof::Outcome BackupProof::write(const std::string& target,
                                        const std::function<Outcome(PendingFile& copy)>& fill,
                                        const Progress& checkProgress) {
    const std::string destination = PendingFile::realName(target);
    if (access(destination.c_str(), F_OK) == 0 && access(destination.c_str(), W_OK) != 0)
        return FileFailure::fromErrno(errno, target);
    PendingFile copy(destination);
    if (copy.creationError() != 0)
        return FileFailure::fromErrno(copy.creationError(), target);
    if (auto failure = fill(copy))
        return failure;
    return place(copy, target, checkProgress);
}

std::optional<FileFailure> BackupProof::place(PendingFile& copy, const std::string& target,
                                              const Progress& progress) {
    if (const int error = copy.finish())
        return FileFailure::fromErrno(error, target);
    std::string fault;
    switch (RecordsFileCheck::check(copy.path(), progress, fault)) {
    case RecordsFileCheck::Verdict::Stopped:
        return FileFailure{FileFailure::Cancelled, target};
    case RecordsFileCheck::Verdict::NotWhole:
    case RecordsFileCheck::Verdict::Refused:
        return FileFailure{FileFailure::FailedCheck, target, fault};
    case RecordsFileCheck::Verdict::Whole:
        break;
    }
    if (const int error = copy.place())
        return FileFailure::fromErrno(error, target);
    return std::nullopt;
}

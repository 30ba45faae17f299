#include "records/BackupProof.h"

#include "records/PendingFile.h"
#include "records/RecordsFileCheck.h"
#include "store/Database.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// Where a rename to name puts a file: links followed as far as they lead, the rest of the
// name taken as written.
fs::path placeOf(const std::string& name) {
    std::error_code error;
    const fs::path place = fs::weakly_canonical(fs::absolute(name, error), error);
    return error ? fs::path(name).lexically_normal() : place;
}

bool sameFile(const std::string& one, const std::string& other) {
    struct stat first {};
    struct stat second {};
    return stat(one.c_str(), &first) == 0 && stat(other.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// A backup written over the records file, under any of its names, or over the journal that
// rolls it back would take the records' place while other desks write to them. The data
// folder's file is kept from it on the server too: the desk may go back to the file.
BackupProof::Outcome refusal(const std::string& target) {
    const std::string records = Engine::recordsFile();
    const fs::path place = placeOf(target);
    if (sameFile(target, records) || place == placeOf(records))
        return FileFailure{FileFailure::RecordsItself, target};
    for (const std::string suffix : {"-journal", "-wal", "-shm"})
        if (place == placeOf(records + suffix) || place == placeOf(records).concat(suffix))
            return FileFailure{FileFailure::RecordsItself, target, "the records file's journal"};
    return std::nullopt;
}

} // namespace

BackupProof::Outcome BackupProof::write(const std::string& target,
                                        const std::function<Outcome(PendingFile& copy)>& fill,
                                        const Progress& checkProgress) {
    if (auto refused = refusal(target))
        return refused;
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

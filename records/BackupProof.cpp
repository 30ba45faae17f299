#include "records/BackupProof.h"

#include "records/PendingFile.h"
#include "records/RecordsFileCheck.h"

std::optional<FileFailure> BackupProof::place(PendingFile& copy, const std::string& target) {
    if (const int error = copy.finish())
        return FileFailure::fromErrno(error, target);
    if (!RecordsFileCheck::isRecords(copy.path()))
        return FileFailure{FileFailure::FailedCheck, target};
    if (const int error = copy.place())
        return FileFailure::fromErrno(error, target);
    return std::nullopt;
}

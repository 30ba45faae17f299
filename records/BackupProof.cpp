#include "records/BackupProof.h"

#include "records/PendingFile.h"
#include "records/RecordsFileCheck.h"

std::optional<FileFailure> BackupProof::place(PendingFile& copy, const std::string& target,
                                              const Progress& progress) {
    if (const int error = copy.finish())
        return FileFailure::fromErrno(error, target);
    switch (RecordsFileCheck::check(copy.path(), progress)) {
    case RecordsFileCheck::Verdict::Stopped:
        return FileFailure{FileFailure::Cancelled, target};
    case RecordsFileCheck::Verdict::NotWhole:
        return FileFailure{FileFailure::FailedCheck, target};
    case RecordsFileCheck::Verdict::Whole:
        break;
    }
    if (const int error = copy.place())
        return FileFailure::fromErrno(error, target);
    return std::nullopt;
}

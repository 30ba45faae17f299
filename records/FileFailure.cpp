#include "records/FileFailure.h"

#include "store/Database.h"

#include <cerrno>

FileFailure FileFailure::fromErrno(int error, const std::string& file) {
    switch (error) {
    case ENOENT:
        return {NotFound, file};
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return {BadPath, file};
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return {AccessDenied, file};
    case EMFILE:
    case ENFILE:
        return {TooManyOpenFiles, file};
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return {DiskFull, file};
    case EIO:
        return {HardIO, file};
    case ENOMEM:
        return {OutOfMemory, file};
    default:
        return {Unknown, file};
    }
}

// The records file is told by its name, as the user knows it, wherever the program keeps it;
// any other file, and the records file when the user chose it as a backup's target, as the user
// chose it.
std::string FileFailure::describe() const {
    const std::string file = kind != RecordsItself && this->file == Engine::recordsFile()
                                 ? Database::fileName
                                 : this->file;
    switch (kind) {
    case NotFound:
        return file + " was not found.";
    case BadPath:
        return file + " contains an incorrect path.";
    case AccessDenied:
        return "Access to " + file + " was denied.";
    case SharingViolation:
        return "A sharing violation occurred while accessing " + file + ".";
    case TooManyOpenFiles:
        return file + " could not be opened because there are too many open files.";
    case DiskFull:
        return "Disk full while accessing " + file + ".";
    case HardIO:
        return "A hardware I/O error was reported while accessing " + file + ".";
    case OutOfMemory:
        return "Out of memory.";
    case NotRecords:
        return file + " is not a Medora database, or it is damaged. The records were left as "
                      "they were.";
    case FailedCheck:
        if (!detail.empty())
            return "The backup written to " + file + " failed its check and was deleted. " + detail;
        return "The backup written to " + file +
               " failed its check and was deleted: the records may be damaged.";
    case RecordsItself:
        return file + " is " + (detail.empty() ? "the records file itself" : detail) +
               "; choose another name for the backup.";
    case Refused:
        return detail + " The records were left as they were.";
    case ServerFailed:
        return "The records server failed: " + detail;
    case HoldsPatients:
        return "The records already hold patients; they were left as they were.";
    case Damaged:
        return "The records file is damaged.\n" + detail;
    case RescueFailed:
        return "The records could not be rescued: " + detail + ".";
    case NotKept:
        return "The records in use could not be kept as a backup before the restore, so nothing "
               "was restored. " +
               detail;
    case Cancelled:
        return "The operation was cancelled. The records were left as they were.";
    case Unknown:
        break;
    }
    return "An unknown error occurred while accessing " + file + ".";
}

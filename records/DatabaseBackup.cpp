#include "records/DatabaseBackup.h"

#include "records/BackupProof.h"
#include "records/ChosenFile.h"
#include "records/PendingFile.h"
#include "records/RecordsFileCheck.h"
#include "records/RecordsLock.h"
#include "store/Database.h"
#include "store/SchemaSteps.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

// Large enough for the speed of a plain copy, small enough that memory stays small.
constexpr int kPiece = 1 << 20;
// The share of a backup's or restore's time that the copy takes; the check takes the rest.
constexpr double kCopyShare = 0.15;

using Buffer = std::unique_ptr<char[]>;

// Copies in pieces from an open file; the failure names the file that failed.
DatabaseBackup::Outcome copyFile(int in, const std::string& source, off_t size, PendingFile& out,
                                 const std::string& target, const Progress& progress) {
    const Buffer buffer(new (std::nothrow) char[kPiece]);
    if (!buffer)
        return FileFailure{FileFailure::OutOfMemory, source};
    for (off_t done = 0;;) {
        const ssize_t got = read(in, buffer.get(), kPiece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return FileFailure::fromErrno(errno, source);
        if (got == 0)
            return std::nullopt;
        if (const int error = out.append(buffer.get(), size_t(got)))
            return FileFailure::fromErrno(error, target);
        done += got;
        if (!goOn(progress, size > 0 ? std::min(1.0, double(done) / double(size)) : 1.0))
            return FileFailure{FileFailure::Cancelled, source};
    }
}

// The records are locked for the copy only: the check of the copy, which takes several times
// as long, leaves the screens free to read and write them.
DatabaseBackup::Outcome copyLocked(const std::string& name, PendingFile& copy,
                                   const std::string& target, const Progress& progress) {
    const RecordsLock records(name, RecordsLock::Use::Copy);
    if (records.failure())
        return records.failure();
    const long long size = records.size();
    if (size < 0)
        return FileFailure{FileFailure::HardIO, name};
    const Buffer buffer(new (std::nothrow) char[kPiece]);
    if (!buffer)
        return FileFailure{FileFailure::OutOfMemory, target};
    for (long long offset = 0; offset < size; offset += kPiece) {
        const int amount = int(std::min<long long>(kPiece, size - offset));
        if (!records.read(buffer.get(), amount, offset))
            return FileFailure{FileFailure::HardIO, name};
        if (const int error = copy.append(buffer.get(), size_t(amount)))
            return FileFailure::fromErrno(error, target);
        if (!goOn(progress, double(offset + amount) / double(size)))
            return FileFailure{FileFailure::Cancelled, target};
    }
    return std::nullopt;
}

// Written out to disk, as the copy was before its check.
DatabaseBackup::Outcome flushed(const std::string& copy, const std::string& name) {
    const int fd = open(copy.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return FileFailure::fromErrno(errno, name);
    int error = fsync(fd) == 0 ? 0 : errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        return FileFailure::fromErrno(error, name);
    return std::nullopt;
}

// The identity's table as the schema step that brings it makes it: a copy of an earlier step
// lacks it.
std::string identityTable() {
    for (const SchemaStep& step : SchemaSteps::all())
        if (step.rows == StepRows::Identity)
            return step.file.front();
    return {};
}

// The copy, already checked, takes the identity of the records it replaces. The copy is no
// one's records yet, so it goes without a journal.
DatabaseBackup::Outcome giveIdentity(const std::string& copy, const std::string& identity,
                                     const std::string& name) {
    sqlite3* opened = nullptr;
    int rc = sqlite3_open_v2(copy.c_str(), &opened, SQLITE_OPEN_READWRITE, nullptr);
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)> db(opened, &sqlite3_close_v2);
    sqlite3_stmt* insert = nullptr;
    if (rc == SQLITE_OK) {
        sqlite3_db_config(db.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        const std::string sql = std::string("PRAGMA journal_mode=OFF; BEGIN; ") + identityTable() +
                                "; DELETE FROM records_identity";
        rc = sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(db.get(),
                                "INSERT INTO records_identity (only_row, id) VALUES (1, ?)", -1,
                                &insert, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_text(insert, 1, identity.c_str(), -1, SQLITE_TRANSIENT);
        rc = sqlite3_step(insert) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db.get());
    }
    sqlite3_finalize(insert);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        return flushed(copy, name);
    if ((rc & 0xff) == SQLITE_FULL)
        return FileFailure{FileFailure::DiskFull, name};
    const int error = db ? sqlite3_system_errno(db.get()) : 0;
    return error != 0 ? FileFailure::fromErrno(error, name)
                      : FileFailure{FileFailure::HardIO, name};
}

// A journal left beside a records file that is missing or not a database belongs to no file
// the engine could roll it back into, and would damage the restored one.
void removeStaleJournals(const std::string& database) {
    unlink((database + "-journal").c_str());
    unlink((database + "-wal").c_str());
}

} // namespace

DatabaseBackup::Outcome DatabaseBackup::backup(const std::string& records,
                                               const std::string& target,
                                               const Progress& progress) {
    auto failure = BackupProof::write(
        target,
        [&](PendingFile& copy) {
            return copyLocked(records, copy, target, stretch(progress, 0, kCopyShare));
        },
        stretch(progress, kCopyShare, 1));
    // The copy is the records byte for byte, so a copy that fails its check most likely
    // comes from damaged records; a copy of damage is never kept as if it were a backup.
    // A copy the engine found sound but whose rows break a rule says so itself.
    if (failure && failure->kind == FileFailure::FailedCheck && failure->detail.empty())
        if (const auto damage = RecordsLock(records, RecordsLock::Use::Copy).damage())
            return FileFailure{FileFailure::Damaged, records, *damage};
    return failure;
}

DatabaseBackup::Outcome DatabaseBackup::copyAsIs(const std::string& records,
                                                 const std::string& target,
                                                 const Progress& progress) {
    PendingFile copy(target);
    if (copy.creationError() != 0)
        return FileFailure::fromErrno(copy.creationError(), target);
    if (auto failure = copyLocked(records, copy, target, progress))
        return failure;
    if (const int error = copy.finish())
        return FileFailure::fromErrno(error, target);
    if (const int error = copy.place())
        return FileFailure::fromErrno(error, target);
    return std::nullopt;
}

DatabaseBackup::Outcome DatabaseBackup::restore(const std::string& source, const Progress& progress,
                                                const std::string& identity,
                                                const std::string& name) {
    const std::string destination = PendingFile::realName(name);
    PendingFile copy(destination);
    {
        const ChosenFile in(source);
        if (in.failure())
            return in.failure();
        if (copy.creationError() != 0)
            return FileFailure::fromErrno(copy.creationError(), name);
        if (auto failure = copyFile(in.descriptor(), source, in.size(), copy, name,
                                    stretch(progress, 0, kCopyShare)))
            return failure;
    }
    // Flushed before the check, which then reads a file the system is no longer writing out.
    if (const int error = copy.finish())
        return FileFailure::fromErrno(error, name);
    std::string fault;
    switch (RecordsFileCheck::check(copy.path(), stretch(progress, kCopyShare, 1), fault)) {
    case RecordsFileCheck::Verdict::Stopped:
        return FileFailure{FileFailure::Cancelled, source};
    case RecordsFileCheck::Verdict::NotWhole:
        return FileFailure{FileFailure::NotRecords, source};
    case RecordsFileCheck::Verdict::Refused:
        return FileFailure{FileFailure::Refused, source, fault};
    case RecordsFileCheck::Verdict::Whole:
        break;
    }
    if (!identity.empty())
        if (auto failure = giveIdentity(copy.path(), identity, name))
            return failure;
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

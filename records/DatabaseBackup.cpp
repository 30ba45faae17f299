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
using CopyConnection = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;

// The copy, opened to be changed in one transaction that the statements begin.
CopyConnection openCopy(const std::string& copy, const std::string& statements, int& rc) {
    sqlite3* opened = nullptr;
    rc = sqlite3_open_v2(copy.c_str(), &opened, SQLITE_OPEN_READWRITE, nullptr);
    CopyConnection db(opened, &sqlite3_close_v2);
    if (rc == SQLITE_OK) {
        sqlite3_db_config(db.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        const std::string sql = "PRAGMA journal_mode=OFF; BEGIN; " + statements;
        rc = sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr);
    }
    return db;
}

// The copy once the engine's last call gave rc: flushed, or why it could not be changed.
DatabaseBackup::Outcome copyChanged(sqlite3* db, int rc, const std::string& copy,
                                    const std::string& name) {
    if (rc == SQLITE_OK)
        return flushed(copy, name);
    if ((rc & 0xff) == SQLITE_FULL)
        return FileFailure{FileFailure::DiskFull, name};
    const int error = db ? sqlite3_system_errno(db) : 0;
    return error != 0 ? FileFailure::fromErrno(error, name)
                      : FileFailure{FileFailure::HardIO, name};
}

DatabaseBackup::Outcome giveIdentity(const std::string& copy, const std::string& identity,
                                     const std::string& name) {
    int rc = SQLITE_OK;
    const CopyConnection db =
        openCopy(copy, identityTable() + "; DELETE FROM records_identity", rc);
    sqlite3_stmt* insert = nullptr;
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
    return copyChanged(db.get(), rc, copy, name);
}

// The statements of the steps that make the audit trail and its index: a copy of an earlier
// step lacks them.
std::string auditTrailTable() {
    std::string statements;
    for (const SchemaStep& step : SchemaSteps::all())
        if (std::find(step.tables.begin(), step.tables.end(), "audit_trail") != step.tables.end() ||
            std::find(step.indexes.begin(), step.indexes.end(), "audit_trail_row") !=
                step.indexes.end())
            for (const std::string& statement : step.file)
                statements += statement + "; ";
    return statements;
}

// How many entries the trail holds and the last one's hash, which stands for all of them;
// empty when the records hold no trail.
std::string trailHead(sqlite3* db) {
    sqlite3_stmt* query = nullptr;
    std::string head;
    if (sqlite3_prepare_v2(db, "SELECT (SELECT count(*) FROM main.audit_trail) || ' ' ||"
                               " coalesce((SELECT hash FROM main.audit_trail ORDER BY entry_id"
                               " DESC LIMIT 1), '')",
                           -1, &query, nullptr) == SQLITE_OK &&
        sqlite3_step(query) == SQLITE_ROW)
        head = reinterpret_cast<const char*>(sqlite3_column_text(query, 0));
    sqlite3_finalize(query);
    return head;
}

// Each entry of the trail the lock's connection reads, copied into the copy's trail.
int copyEntries(sqlite3* from, sqlite3* into) {
    const char* const columns = "entry_id, time_utc, time_local, user_name, desk, action,"
                                " table_name, record_id, patient_id, details, previous_hash, hash";
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* write = nullptr;
    int rc = sqlite3_prepare_v2(
        from, (std::string("SELECT ") + columns + " FROM main.audit_trail ORDER BY entry_id").c_str(),
        -1, &read, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(into,
                                (std::string("INSERT INTO audit_trail (") + columns +
                                 ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                                    .c_str(),
                                -1, &write, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(read)) == SQLITE_ROW) {
        for (int column = 0; column < 12; ++column)
            sqlite3_bind_value(write, column + 1, sqlite3_column_value(read, column));
        rc = sqlite3_step(write) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(into);
        sqlite3_reset(write);
    }
    sqlite3_finalize(read);
    sqlite3_finalize(write);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

std::string trailHeadOf(const std::string& copy) {
    sqlite3* opened = nullptr;
    sqlite3_open_v2(copy.c_str(), &opened, SQLITE_OPEN_READONLY, nullptr);
    const CopyConnection db(opened, &sqlite3_close_v2);
    return db ? trailHead(db.get()) : std::string();
}

// A restore never shortens the audit trail: the copy's trail, whose beginning today's holds
// when the backup was made from these records, gives way to today's whole, read under the
// lock that keeps every writer out. A copy whose trail is today's already is left as it is.
// The backup itself keeps its trail as it was.
DatabaseBackup::Outcome carryTrail(const RecordsLock& current, const std::string& copy,
                                   const std::string& name) {
    const std::string today = trailHead(current.reader());
    if (today.empty() || today == trailHeadOf(copy))
        return std::nullopt;
    int rc = SQLITE_OK;
    const CopyConnection db = openCopy(copy, auditTrailTable() + "DELETE FROM audit_trail", rc);
    if (rc == SQLITE_OK)
        rc = copyEntries(current.reader(), db.get());
    // Numbers go on from today's last entry, whatever the backup's trail had reached.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db.get(),
                          "UPDATE sqlite_sequence SET seq = (SELECT coalesce(max(entry_id), 0)"
                          " FROM audit_trail) WHERE name = 'audit_trail'; COMMIT",
                          nullptr, nullptr, nullptr);
    return copyChanged(db.get(), rc, copy, name);
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
    } else if (auto failure = carryTrail(current, copy.path(), name)) {
        return failure;
    }
    if (const int error = copy.place())
        return FileFailure::fromErrno(error, name);
    return std::nullopt;
}

#include "records/FileRecords.h"

#include "records/DatabaseBackup.h"
#include "records/RecordsLock.h"
#include "records/RecordsRescue.h"
#include "store/Database.h"
#include "store/RecordsIdentity.h"
#include "store/SqliteEngine.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>

bool FileRecords::exists() const {
    return access(m_file.c_str(), F_OK) == 0;
}

RecordsEngine::Outcome FileRecords::backup(const std::string& target,
                                           const Progress& progress) const {
    return DatabaseBackup::backup(m_file, target, progress);
}

RecordsEngine::Outcome FileRecords::identity(std::string& id) const {
    RecordsIdentity records;
    if (!records.Fetch() && !readIdentity(records.m_id))
        return whyNoIdentity();
    if (!madeByMedora(records.m_id))
        return FileFailure{FileFailure::NotRecords, m_file};
    id = records.m_id;
    return std::nullopt;
}

// The identity the records file carries, read as a backup reads the file, where the store
// cannot use it (damaged records, or write-protected ones): their backups still go by it. The
// engine shares its locks among its own connections, so this one leaves the store's alone.
bool FileRecords::readIdentity(std::string& id) const {
    sqlite3* opened = nullptr;
    sqlite3_open_v2(m_file.c_str(), &opened, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)> db(opened, &sqlite3_close_v2);
    sqlite3_stmt* row = nullptr;
    if (sqlite3_prepare_v2(db.get(), "SELECT id FROM records_identity WHERE only_row = 1", -1, &row,
                           nullptr) == SQLITE_OK &&
        sqlite3_step(row) == SQLITE_ROW && sqlite3_column_text(row, 0) != nullptr)
        id = reinterpret_cast<const char*>(sqlite3_column_text(row, 0));
    sqlite3_finalize(row);
    return !id.empty();
}

// Why the records file gave no identity, as a backup of it would fail.
FileFailure FileRecords::whyNoIdentity() const {
    if (access(m_file.c_str(), F_OK) != 0)
        return FileFailure{FileFailure::NotFound, m_file};
    const RecordsLock records(m_file, RecordsLock::Use::Copy);
    if (records.failure())
        return *records.failure();
    if (const auto damage = records.damage())
        return FileFailure{FileFailure::Damaged, m_file, *damage};
    if (access(m_file.c_str(), W_OK) != 0)
        return FileFailure::fromErrno(errno, m_file);
    return FileFailure{FileFailure::NotRecords, m_file};
}

RecordsEngine::Outcome FileRecords::keep(BeforeRestore& keep, std::string& id,
                                         const Progress& progress) const {
    const auto damaged = [](const Outcome& failure) {
        return failure && failure->kind == FileFailure::Damaged;
    };
    if (auto failure = identity(id)) {
        if (!damaged(failure))
            return notKept(*failure, keep.folder);
        id = RecordsIdentity::makeId();
    }
    std::string target = keptName(keep, id);
    auto failure = backup(target, progress);
    if (damaged(failure)) {
        target = target.substr(0, target.size() - 4) + "-damaged.mdb";
        failure = DatabaseBackup::copyAsIs(m_file, target, progress);
    }
    if (failure)
        return notKept(*failure, target);
    keep.keptAs = target;
    return std::nullopt;
}

RecordsEngine::Outcome FileRecords::replace(const std::string& source, const std::string& id,
                                            const Progress& progress) const {
    auto failure = DatabaseBackup::restore(source, progress, id, m_file);
    if (!failure) {
        // The restored file's search keys are set right at once, not left to trust.
        SqliteEngine::keysMayBeStale();
        Database::run([](Database&) { return true; });
    }
    return failure;
}

// A file the engine's check finds whole has nothing to rescue; one that cannot be read at all
// is not whole either.
RecordsEngine::Outcome FileRecords::check() const {
    const RecordsLock records(m_file, RecordsLock::Use::Copy);
    if (records.failure())
        return records.failure();
    if (const auto damage = records.damage())
        return FileFailure{FileFailure::Damaged, m_file, *damage};
    return std::nullopt;
}

std::unique_ptr<RecordsRescue> FileRecords::rescue() const {
    return std::make_unique<RecordsRescue>(m_file);
}

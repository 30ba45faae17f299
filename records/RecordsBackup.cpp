#include "records/RecordsBackup.h"

#include "records/BackupRetention.h"
#include "records/ChosenFile.h"
#include "records/DatabaseBackup.h"
#include "records/RecordsFileCheck.h"
#include "records/RecordsLock.h"
#include "records/ServerBackup.h"
#include "store/Database.h"
#include "store/Engine.h"
#include "store/LastFailure.h"
#include "store/PostgresEngine.h"
#include "store/SqliteEngine.h"
#include "store/RecordsIdentity.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>

namespace {

// The server in use, with the password the user gave for it; nothing while the records are
// the file.
std::optional<ServerBackup> serverInUse() {
    const std::shared_ptr<Engine> engine = Engine::current();
    const auto* server = dynamic_cast<const PostgresEngine*>(engine.get());
    if (server == nullptr)
        return std::nullopt;
    return ServerBackup(server->connection(), server->password());
}

// The automatic backups run beside the screens: one backup waits for another rather than
// meeting it on the records.
std::mutex backingUp;

// The share of a restore's time that keeping the records it replaces takes.
constexpr double kKeepShare = 0.4;

// Why the server's records gave no identity.
FileFailure unreadServerIdentity() {
    switch (LastFailure::kind()) {
    case FailureKind::ServerUnreachable:
        return FileFailure::server("the server could not be reached");
    case FailureKind::ServerPasswordNeeded:
        return FileFailure::server("the server asks for a password");
    default:
        return FileFailure::server("the records have no identity; run medora-admin upgrade on "
                                   "the server");
    }
}

// The identity the records file carries, read as a backup reads the file, where the store
// cannot use it (damaged records, or write-protected ones): their backups still go by it. The
// engine shares its locks among its own connections, so this one leaves the store's alone.
bool readFileIdentity(std::string& id) {
    sqlite3* opened = nullptr;
    sqlite3_open_v2(Database::fileName, &opened, SQLITE_OPEN_READONLY, nullptr);
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
FileFailure unreadFileIdentity() {
    const std::string name = Database::fileName;
    if (access(name.c_str(), F_OK) != 0)
        return FileFailure{FileFailure::NotFound, name};
    const RecordsLock records(name, RecordsLock::Use::Copy);
    if (records.failure())
        return *records.failure();
    if (const auto damage = records.damage())
        return FileFailure{FileFailure::Damaged, name, *damage};
    if (access(name.c_str(), W_OK) != 0)
        return FileFailure::fromErrno(errno, name);
    return FileFailure{FileFailure::NotRecords, name};
}

// A name no file in the folder has: two restores in one second keep both sets they replaced.
std::string keptName(const BeforeRestore& keep, const std::string& id) {
    for (int attempt = 1;; ++attempt) {
        const std::string name =
            keep.folder + "/" + BackupRetention::beforeRestoreName(id, keep.when, attempt);
        if (access(name.c_str(), F_OK) != 0)
            return name;
    }
}

// A restore that cannot keep the records it would replace does not go on. A stopped one is
// only stopped.
FileFailure notKept(const FileFailure& failure, const std::string& target) {
    if (failure.kind == FileFailure::Cancelled)
        return failure;
    return FileFailure{FileFailure::NotKept, target, failure.describe()};
}

// Keeps the records a restore replaces. Damaged records are what a restore most often mends,
// and they give no proven backup: they are kept byte for byte instead, for a later rescue, and
// the restored records get a new identity when theirs cannot be read.
RecordsBackup::Outcome keepReplaced(BeforeRestore& keep, bool onServer, std::string& id,
                                    const Progress& progress) {
    const auto damaged = [onServer](const RecordsBackup::Outcome& failure) {
        return !onServer && failure && failure->kind == FileFailure::Damaged;
    };
    if (auto failure = RecordsBackup::identity(id)) {
        if (!damaged(failure))
            return notKept(*failure, keep.folder);
        id = RecordsIdentity::makeId();
    }
    std::string target = keptName(keep, id);
    auto failure = RecordsBackup::backup(target, stretch(progress, 0, kKeepShare));
    if (damaged(failure)) {
        target = target.substr(0, target.size() - 4) + "-damaged.mdb";
        failure = DatabaseBackup::copyAsIs(Database::fileName, target,
                                           stretch(progress, 0, kKeepShare));
    }
    if (failure)
        return notKept(*failure, target);
    keep.keptAs = target;
    return std::nullopt;
}

} // namespace

RecordsBackup::Outcome RecordsBackup::backup(const std::string& target, const Progress& progress) {
    const std::lock_guard oneAtATime(backingUp);
    if (const auto server = serverInUse())
        return server->backup(target, progress);
    return DatabaseBackup::backup(Database::fileName, target, progress);
}

RecordsBackup::Outcome RecordsBackup::restore(const std::string& source, BeforeRestore& keep,
                                              const Progress& progress) {
    keep.keptAs.clear();
    // A source that is not there, or not records as Medora makes them, is refused before
    // anything is kept.
    if (auto refused = ChosenFile::refusal(source))
        return refused;
    const auto server = serverInUse();
    std::string id;
    if (server || access(Database::fileName, F_OK) == 0) {
        if (auto failure = keepReplaced(keep, server.has_value(), id, progress))
            return failure;
    } else {
        id = RecordsIdentity::makeId();
    }
    const Progress rest = stretch(progress, kKeepShare, 1);
    if (server)
        return server->restore(source, rest);
    auto failure = DatabaseBackup::restore(source, rest, id);
    if (!failure) {
        // The restored file's search keys are set right at once, not left to trust.
        SqliteEngine::keysMayBeStale();
        Database::run([](Database&) { return true; });
    }
    return failure;
}

RecordsBackup::Outcome RecordsBackup::identity(std::string& id) {
    const bool onServer = serverInUse().has_value();
    RecordsIdentity records;
    if (records.Fetch() || (!onServer && readFileIdentity(records.m_id))) {
        // Only an id as Medora makes them ever names a file.
        if (records.m_id.size() != 32 ||
            records.m_id.find_first_not_of("0123456789abcdef") != std::string::npos)
            return onServer ? FileFailure::server("the records' identity is not one Medora made")
                            : FileFailure{FileFailure::NotRecords, Database::fileName};
        id = records.m_id;
        return std::nullopt;
    }
    return onServer ? unreadServerIdentity() : unreadFileIdentity();
}

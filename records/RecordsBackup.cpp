#include "records/RecordsBackup.h"

#include "records/DatabaseBackup.h"
#include "records/ServerBackup.h"
#include "store/Database.h"
#include "store/Engine.h"
#include "store/PostgresEngine.h"
#include "store/SqliteEngine.h"

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

} // namespace

RecordsBackup::Outcome RecordsBackup::backup(const std::string& target, const Progress& progress) {
    const std::lock_guard oneAtATime(backingUp);
    if (const auto server = serverInUse())
        return server->backup(target, progress);
    return DatabaseBackup::backup(Database::fileName, target, progress);
}

RecordsBackup::Outcome RecordsBackup::restore(const std::string& source, const Progress& progress) {
    if (const auto server = serverInUse())
        return server->restore(source, progress);
    auto failure = DatabaseBackup::restore(source, progress);
    if (!failure) {
        // The restored file's search keys are set right at once, not left to trust.
        SqliteEngine::keysMayBeStale();
        Database::run([](Database&) { return true; });
    }
    return failure;
}

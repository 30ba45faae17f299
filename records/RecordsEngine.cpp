#include "records/RecordsEngine.h"

#include "records/BackupRetention.h"
#include "records/FileRecords.h"
#include "records/ServerRecords.h"
#include "store/Engine.h"
#include "store/PostgresEngine.h"
#include "store/SqliteEngine.h"

#include <unistd.h>

namespace {

// Makes the whole-database side of whichever engine the store uses.
class Maker : public Engine::Visitor {
public:
    void visit(const SqliteEngine& file) override {
        made = std::make_unique<FileRecords>(file.file());
    }
    void visit(const PostgresEngine& server) override {
        made = std::make_unique<ServerRecords>(server.connection(), server.password());
    }

    std::unique_ptr<RecordsEngine> made;
};

} // namespace

std::unique_ptr<RecordsEngine> RecordsEngine::current() {
    Maker maker;
    Engine::current()->accept(maker);
    return std::move(maker.made);
}

bool RecordsEngine::madeByMedora(const std::string& id) {
    return id.size() == 32 && id.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::string RecordsEngine::keptName(const BeforeRestore& keep, const std::string& id) {
    for (int attempt = 1;; ++attempt) {
        const std::string name =
            keep.folder + "/" + BackupRetention::beforeRestoreName(id, keep.when, attempt);
        if (access(name.c_str(), F_OK) != 0)
            return name;
    }
}

FileFailure RecordsEngine::notKept(const FileFailure& failure, const std::string& target) {
    if (failure.kind == FileFailure::Cancelled)
        return failure;
    return FileFailure{FileFailure::NotKept, target, failure.describe()};
}

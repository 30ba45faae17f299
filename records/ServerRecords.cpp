#include "records/ServerRecords.h"

#include "store/LastFailure.h"
#include "store/RecordsIdentity.h"

namespace {

// Why the server's records gave no identity.
FileFailure unreadIdentity() {
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

} // namespace

RecordsEngine::Outcome ServerRecords::backup(const std::string& target,
                                             const Progress& progress) const {
    return m_server.backup(target, progress);
}

RecordsEngine::Outcome ServerRecords::identity(std::string& id) const {
    RecordsIdentity records;
    if (!records.Fetch())
        return unreadIdentity();
    if (!madeByMedora(records.m_id))
        return FileFailure::server("the records' identity is not one Medora made");
    id = records.m_id;
    return std::nullopt;
}

RecordsEngine::Outcome ServerRecords::keep(BeforeRestore& keep, std::string& id,
                                           const Progress& progress) const {
    if (auto failure = identity(id))
        return notKept(*failure, keep.folder);
    const std::string target = keptName(keep, id);
    if (auto failure = backup(target, progress))
        return notKept(*failure, target);
    keep.keptAs = target;
    return std::nullopt;
}

RecordsEngine::Outcome ServerRecords::replace(const std::string& source, const std::string&,
                                              const Progress& progress) const {
    return m_server.restore(source, progress);
}

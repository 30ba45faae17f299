#include "records/RecordsBackup.h"

#include "records/ChosenFile.h"
#include "records/RecordsEngine.h"
#include "store/RecordsIdentity.h"

#include <mutex>

namespace {

// The automatic backups run beside the screens: one backup waits for another rather than
// meeting it on the records.
std::mutex backingUp;

// The share of a restore's time that keeping the records it replaces takes.
constexpr double kKeepShare = 0.4;

} // namespace

RecordsBackup::Outcome RecordsBackup::backup(const std::string& target, const Progress& progress) {
    const std::lock_guard oneAtATime(backingUp);
    return RecordsEngine::current()->backup(target, progress);
}

RecordsBackup::Outcome RecordsBackup::restore(const std::string& source, BeforeRestore& keep,
                                              const Progress& progress) {
    keep.keptAs.clear();
    // A source that is not there, or not records as Medora makes them, is refused before
    // anything is kept.
    if (auto refused = ChosenFile::refusal(source))
        return refused;
    const auto records = RecordsEngine::current();
    std::string id;
    if (records->exists()) {
        const std::lock_guard oneAtATime(backingUp);
        if (auto failure = records->keep(keep, id, stretch(progress, 0, kKeepShare)))
            return failure;
    } else {
        id = RecordsIdentity::makeId();
    }
    return records->replace(source, id, stretch(progress, kKeepShare, 1));
}

RecordsBackup::Outcome RecordsBackup::identity(std::string& id) {
    return RecordsEngine::current()->identity(id);
}

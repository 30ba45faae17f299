#include "store/FileUpgrade.h"

#include "store/Database.h"
#include "store/RecordsIdentity.h"
#include "store/SearchIndex.h"

#include <string>

namespace {

struct Step
{
    int version; // the file's user_version once the step is done
    void (*upgrade)(Database&);
};

// In order: each step finds the file as the steps before it left it.
constexpr Step kSteps[] = {
    {SearchIndex::fileVersion, SearchIndex::upgradeFile},
    {RecordsIdentity::fileVersion, RecordsIdentity::upgradeFile},
};

} // namespace

void FileUpgrade::run(Database& db)
{
    // The version's statement ends before a step runs: the engine drops no table while a
    // statement is still reading.
    const long long current = [&db] {
        Statement version = db.prepare("PRAGMA user_version");
        return version.step() ? version.integer(0) : 0;
    }();
    for (const Step& step : kSteps) {
        if (current >= step.version)
            continue;
        step.upgrade(db);
        db.prepare(("PRAGMA user_version = " + std::to_string(step.version)).c_str()).run();
    }
}

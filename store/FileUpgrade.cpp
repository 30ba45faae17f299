#include "store/FileUpgrade.h"

#include "store/Database.h"
#include "store/DbError.h"
#include "store/RecordsIdentity.h"
#include "store/SchemaSteps.h"
#include "store/SearchIndex.h"

#include <string>

void FileUpgrade::run(Database& db)
{
    // The version's statement ends before a step runs: the engine drops no table while a
    // statement is still reading.
    const long long current = [&db] {
        Statement version = db.prepare("PRAGMA user_version");
        return version.step() ? version.integer(0) : 0;
    }();
    if (current > SchemaSteps::current())
        throw DbError("the records file was made by a newer version of Medora",
                      FailureKind::RecordsTooNew);
    for (const SchemaStep* step : SchemaSteps::after(static_cast<int>(current))) {
        for (const std::string& sql : step->file)
            db.prepare(sql.c_str()).run();
        if (step->rows == StepRows::SearchKeys)
            SearchIndex::remakeFile(db);
        for (const std::string& sql : step->fileAfter)
            db.prepare(sql.c_str()).run();
        db.prepare(("PRAGMA user_version = " + std::to_string(step->number)).c_str()).run();
    }
    // The identity is given at whatever step the file stands: the supplied empty file, of the
    // last step, has none until its first use.
    RecordsIdentity::giveFile(db);
}

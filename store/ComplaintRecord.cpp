#include "store/ComplaintRecord.h"

#include "store/Database.h"
#include "store/Session.h"
#include "store/RecordId.h"
#include "store/RowHelpers.h"
#include "store/VisitStatements.h"

namespace {

// Binds the date and the texts from parameter `first` on.
void bindVisit(Statement& statement, int first, DateTime date,
               const std::vector<std::string>& texts)
{
    statement.bind(first, date);
    for (size_t i = 0; i < texts.size(); ++i)
        statement.bind(first + 1 + static_cast<int>(i), texts[i]);
}

} // namespace

bool ComplaintRecord::Add(const std::string& patientId, DateTime date,
                          const std::vector<std::string>& texts)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    int patient = 0;
    if (texts.size() != textCount || !parseRecordId(patientId, patient))
        return Database::refuse();
    return Database::runInsert(
        [&](Database& db) {
            if (!patientExists(db, patient))
                return false;
            Statement insert = db.prepareInsert(VisitStatements::insert().c_str(), "compl_ID");
            insert.bind(1, patient);
            bindVisit(insert, 2, date, texts);
            insert.run();
            return true;
        },
        m_id);
}

bool ComplaintRecord::Update(const std::string& visitId, const std::string& patientId,
                             DateTime date, const std::vector<std::string>& texts)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    int visit = 0;
    int patient = 0;
    if (texts.size() != textCount || !parseRecordId(visitId, visit) ||
        !parseRecordId(patientId, patient))
        return Database::refuse();
    return Database::run([&](Database& db) {
        Statement update = db.prepare(VisitStatements::update().c_str());
        bindVisit(update, 1, date, texts);
        update.bind(VisitStatements::updatedVisit, visit).run();
        return db.changes() == 1;
    });
}

bool ComplaintRecord::UpdateUnlessChanged(const std::string& visitId, const std::string& patientId,
                                          DateTime loadedDate,
                                          const std::vector<std::string>& loadedTexts,
                                          DateTime date, const std::vector<std::string>& texts)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    int visit = 0;
    int patient = 0;
    if (texts.size() != textCount || loadedTexts.size() != textCount ||
        !parseRecordId(visitId, visit) || !parseRecordId(patientId, patient))
        return Database::refuse();
    return Database::run([&](Database& db) {
        Statement update = db.prepare(VisitStatements::updateUnlessChanged().c_str());
        bindVisit(update, 1, date, texts);
        update.bind(VisitStatements::updatedVisit, visit);
        bindVisit(update, VisitStatements::updatedVisit + 1, loadedDate, loadedTexts);
        update.run();
        if (db.changes() == 1)
            return true;
        if (!db.prepare("SELECT 1 FROM complaints WHERE compl_ID = ?").bind(1, visit).step())
            return false;
        throw DbError("the visit was changed elsewhere", FailureKind::ChangedElsewhere);
    });
}

bool ComplaintRecord::Delete(const std::string& visitId)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    return deleteRowById("DELETE FROM complaints WHERE compl_ID = ?", visitId);
}

#include "store/ComplaintRecord.h"

#include "store/Database.h"
#include "store/RecordId.h"
#include "store/RowHelpers.h"

namespace {

// Parameters 1 to 22 are the date and the texts, 23 the visit's number.
const std::string kUpdateVisit =
    "UPDATE complaints SET date = ?, complaint = ?, temp = ?, bp = ?, RR = ?, pulse = ?,"
    " height = ?, weight = ?, eyes = ?, HEENT = ?, respiratory = ?, cardiovascular = ?,"
    " GIT = ?, genitourinary = ?, endocrine = ?, musculoskeletal = ?, hema_lymph = ?,"
    " dermatology = ?, psycho_neuro = ?, other = ?, diagnosis = ?, treatment = ?"
    " WHERE compl_ID = ?";

// Binds the date and the twenty-one texts from parameter `first` on.
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
    int patient = 0;
    if (texts.size() != textCount || !parseRecordId(patientId, patient))
        return Database::refuse();
    return Database::runInsert(
        [&](Database& db) {
            if (!patientExists(db, patient))
                return false;
            Statement insert = db.prepareInsert(
                "INSERT INTO complaints (patient_ID, date, complaint, temp, bp, RR, pulse, height,"
                " weight, eyes, HEENT, respiratory, cardiovascular, GIT, genitourinary,"
                " endocrine, musculoskeletal, hema_lymph, dermatology, psycho_neuro, other,"
                " diagnosis, treatment)"
                " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                "compl_ID");
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
    int visit = 0;
    int patient = 0;
    if (texts.size() != textCount || !parseRecordId(visitId, visit) ||
        !parseRecordId(patientId, patient))
        return Database::refuse();
    return Database::run([&](Database& db) {
        Statement update = db.prepare(kUpdateVisit.c_str());
        bindVisit(update, 1, date, texts);
        update.bind(23, visit).run();
        return db.changes() == 1;
    });
}

bool ComplaintRecord::UpdateUnlessChanged(const std::string& visitId, const std::string& patientId,
                                          DateTime loadedDate,
                                          const std::vector<std::string>& loadedTexts,
                                          DateTime date, const std::vector<std::string>& texts)
{
    int visit = 0;
    int patient = 0;
    if (texts.size() != textCount || loadedTexts.size() != textCount ||
        !parseRecordId(visitId, visit) || !parseRecordId(patientId, patient))
        return Database::refuse();
    return Database::run([&](Database& db) {
        const std::string unlessChanged = kUpdateVisit +
            " AND date = ? AND complaint = ? AND temp = ? AND bp = ?"
            " AND RR = ? AND pulse = ? AND height = ? AND weight = ? AND eyes = ? AND HEENT = ?"
            " AND respiratory = ? AND cardiovascular = ? AND GIT = ? AND genitourinary = ?"
            " AND endocrine = ? AND musculoskeletal = ? AND hema_lymph = ? AND dermatology = ?"
            " AND psycho_neuro = ? AND other = ? AND diagnosis = ? AND treatment = ?";
        Statement update = db.prepare(unlessChanged.c_str());
        bindVisit(update, 1, date, texts);
        update.bind(23, visit);
        bindVisit(update, 24, loadedDate, loadedTexts);
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
    return deleteRowById("DELETE FROM complaints WHERE compl_ID = ?", visitId);
}

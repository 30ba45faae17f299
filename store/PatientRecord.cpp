#include "store/PatientRecord.h"

#include "store/Database.h"
#include "store/Session.h"
#include "store/RecordId.h"
#include "store/RowHelpers.h"
#include "store/SearchIndex.h"

namespace {

// Parameters 1 to 6 are the details, 7 the patient's number.
const std::string kUpdateDetails =
    "UPDATE patient_info SET first_name = ?, last_name = ?, DOB = ?, Gender = ?, address = ?,"
    " telephone = ? WHERE ID = ?";

// Binds the six details from parameter `first` on.
void bindDetails(Statement& statement, int first, const std::string& firstName,
                 const std::string& lastName, DateTime dob, int gender, const std::string& address,
                 const std::string& telephone)
{
    statement.bind(first, firstName).bind(first + 1, lastName).bind(first + 2, dob);
    statement.bind(first + 3, gender).bind(first + 4, address).bind(first + 5, telephone);
}

} // namespace

bool PatientRecord::Add(const std::string& firstName, const std::string& lastName, DateTime dob,
                        int gender, const std::string& address, const std::string& telephone)
{
    return Database::runInsert(
        [&](Database& db) {
            Statement insert = db.prepareInsert(
                "INSERT INTO patient_info (first_name, last_name, DOB, Gender, address, telephone)"
                " VALUES (?, ?, ?, ?, ?, ?)",
                "ID");
            bindDetails(insert, 1, firstName, lastName, dob, gender, address, telephone);
            insert.run();
            SearchIndex::add(db, db.lastInsertId(), firstName, lastName, dob, telephone);
            return true;
        },
        m_id);
}

bool PatientRecord::Update(const std::string& id, const std::string& firstName,
                           const std::string& lastName, DateTime dob, int gender,
                           const std::string& address, const std::string& telephone)
{
    int key = 0;
    if (!parseRecordId(id, key))
        return Database::refuse();
    return Database::run([&](Database& db) {
        Statement update = db.prepare(kUpdateDetails.c_str());
        bindDetails(update, 1, firstName, lastName, dob, gender, address, telephone);
        update.bind(7, key).run();
        if (db.changes() != 1)
            return false;
        SearchIndex::replace(db, key, firstName, lastName, dob, telephone);
        return true;
    });
}

bool PatientRecord::UpdateUnlessChanged(const std::string& id, const PatientDetails& loaded,
                                        const std::string& firstName, const std::string& lastName,
                                        DateTime dob, int gender, const std::string& address,
                                        const std::string& telephone)
{
    int key = 0;
    if (!parseRecordId(id, key))
        return Database::refuse();
    return Database::run([&](Database& db) {
        const std::string unlessChanged = kUpdateDetails +
            " AND first_name = ? AND last_name = ?"
            " AND DOB = ? AND Gender = ? AND address = ? AND telephone = ?";
        Statement update = db.prepare(unlessChanged.c_str());
        bindDetails(update, 1, firstName, lastName, dob, gender, address, telephone);
        update.bind(7, key);
        bindDetails(update, 8, loaded.m_firstName, loaded.m_lastName, loaded.m_dob, loaded.m_gender,
                    loaded.m_address, loaded.m_telephone);
        update.run();
        if (db.changes() == 1) {
            SearchIndex::replace(db, key, firstName, lastName, dob, telephone);
            return true;
        }
        if (!patientExists(db, key))
            return false;
        throw DbError("the patient was changed elsewhere", FailureKind::ChangedElsewhere);
    });
}

bool PatientRecord::DeleteWithRecords(const std::string& id)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    int key = 0;
    if (!parseRecordId(id, key))
        return Database::refuse();
    return Database::run([&](Database& db) {
        db.prepare("DELETE FROM patient_info WHERE ID = ?").bind(1, key).run();
        if (db.changes() != 1)
            return false;
        for (const char* sql : {"DELETE FROM complaints WHERE patient_ID = ?",
                                "DELETE FROM history_entries WHERE patient_ID = ?",
                                "DELETE FROM tests WHERE patient_ID = ?",
                                "DELETE FROM patient_medications WHERE patient_ID = ?"})
            db.prepare(sql).bind(1, key).run();
        SearchIndex::remove(db, key);
        return true;
    });
}

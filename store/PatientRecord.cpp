#include "store/PatientRecord.h"

#include "store/Database.h"
#include "store/RecordId.h"

namespace {

void bindDetails(Statement& statement, const std::string& firstName, const std::string& lastName,
                 DateTime dob, int gender, const std::string& address,
                 const std::string& telephone)
{
    statement.bind(1, firstName).bind(2, lastName).bind(3, dob).bind(4, gender);
    statement.bind(5, address).bind(6, telephone);
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
            bindDetails(insert, firstName, lastName, dob, gender, address, telephone);
            insert.run();
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
        Statement update = db.prepare(
            "UPDATE patient_info SET first_name = ?, last_name = ?, DOB = ?, Gender = ?,"
            " address = ?, telephone = ? WHERE ID = ?");
        bindDetails(update, firstName, lastName, dob, gender, address, telephone);
        update.bind(7, key).run();
        return db.changes() == 1;
    });
}

bool PatientRecord::DeleteWithRecords(const std::string& id)
{
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
        return true;
    });
}

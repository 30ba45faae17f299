#include "store/TestRecord.h"

#include "store/Database.h"
#include "store/RecordId.h"
#include "store/RowHelpers.h"

bool TestRecord::Add(const std::string& patientId, DateTime date, const std::string& type,
                     const std::string& results)
{
    int patient = 0;
    if (!parseRecordId(patientId, patient))
        return false;
    return Database::run([&](Database& db) {
        if (!patientExists(db, patient))
            return false;
        db.prepare("INSERT INTO tests (patient_ID, date, type, results) VALUES (?, ?, ?, ?)")
            .bind(1, patient)
            .bind(2, date)
            .bind(3, type)
            .bind(4, results)
            .run();
        return true;
    });
}

bool TestRecord::Delete(const std::string& testId)
{
    return deleteRowById("DELETE FROM tests WHERE test_ID = ?", testId);
}

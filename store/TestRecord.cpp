#include "store/TestRecord.h"

#include "store/Database.h"
#include "store/RowHelpers.h"
#include "store/Session.h"

bool TestRecord::Add(const std::string& patientId, DateTime date, const std::string& type,
                     const std::string& results)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    return addPatientRow("INSERT INTO tests (patient_ID, date, type, results) VALUES (?, ?, ?, ?)",
                         patientId, date, type, results);
}

bool TestRecord::Delete(const std::string& testId)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    return deleteRowById("DELETE FROM tests WHERE test_ID = ?", testId);
}

#include "store/HistoryEntryRecord.h"

#include "store/Database.h"
#include "store/RowHelpers.h"
#include "store/Session.h"

bool HistoryEntryRecord::Add(const std::string& patientId, const std::string& entryType,
                             const std::string& entryDetails)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    return addPatientRow(
        "INSERT INTO history_entries (patient_ID, entry_type, entry_details) VALUES (?, ?, ?)",
        patientId, entryType, entryDetails);
}

bool HistoryEntryRecord::Delete(const std::string& entryId)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    return deleteRowById("DELETE FROM history_entries WHERE entry_ID = ?", entryId);
}

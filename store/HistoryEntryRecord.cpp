#include "store/HistoryEntryRecord.h"

#include "store/RowHelpers.h"

bool HistoryEntryRecord::Add(const std::string& patientId, const std::string& entryType,
                             const std::string& entryDetails)
{
    return addPatientRow(
        "INSERT INTO history_entries (patient_ID, entry_type, entry_details) VALUES (?, ?, ?)",
        patientId, entryType, entryDetails);
}

bool HistoryEntryRecord::Delete(const std::string& entryId)
{
    return deleteRowById("DELETE FROM history_entries WHERE entry_ID = ?", entryId);
}

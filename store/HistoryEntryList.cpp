#include "store/HistoryEntryList.h"

#include "store/Database.h"
#include "store/Session.h"
#include "store/ListMarks.h"
#include "store/RecordId.h"

bool HistoryEntryList::Fetch(const std::string& patientId, const std::string& entryType)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    int patient = 0;
    if (!parseRecordId(patientId, patient))
        return Database::refuse();
    const ListMarks marks(m_details, m_ids);
    return Database::read([&](Database& db) {
        marks.cutBack();
        Statement rows = db.prepare("SELECT entry_ID, entry_details FROM history_entries"
                                    " WHERE patient_ID = ? AND entry_type = ? ORDER BY entry_ID");
        rows.bind(1, patient).bind(2, entryType);
        while (rows.step()) {
            m_ids.push_back(rows.id(0));
            m_details.push_back(rows.text(1));
        }
        return true;
    });
}

#include "store/TestList.h"

#include "store/Database.h"
#include "store/Session.h"
#include "store/ListMarks.h"
#include "store/RecordId.h"

bool TestList::Fetch(const std::string& patientId)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    int patient = 0;
    if (!parseRecordId(patientId, patient))
        return Database::refuse();
    const ListMarks marks(m_ids, m_dates, m_days, m_types, m_results);
    return Database::read([&](Database& db) {
        marks.cutBack();
        Statement rows = db.prepare(
            "SELECT test_ID, date, type, results FROM tests WHERE patient_ID = ? ORDER BY test_ID");
        rows.bind(1, patient);
        while (rows.step()) {
            m_ids.push_back(rows.id(0));
            m_dates.push_back(rows.date(1).format("%d/%m/%y"));
            m_days.push_back(rows.date(1));
            m_types.push_back(rows.text(2));
            m_results.push_back(rows.text(3));
        }
        return true;
    });
}

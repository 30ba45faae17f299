#include "store/ComplaintList.h"

#include "store/Database.h"
#include "store/Session.h"
#include "store/ListMarks.h"
#include "store/RecordId.h"
#include "store/VisitStatements.h"

bool ComplaintList::Fetch(const std::string& patientId)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    int key = 0;
    if (!parseRecordId(patientId, key))
        return Database::refuse();
    const ListMarks marks(m_ids, m_dates, m_complaints, m_diagnoses, m_treatments);
    return Database::read([&](Database& db) {
        marks.cutBack();
        Statement rows = db.prepare(VisitStatements::list().c_str());
        rows.bind(1, key);
        while (rows.step()) {
            m_ids.push_back(rows.id(0));
            m_dates.push_back(rows.date(1).format("%d/%m/%y"));
            m_complaints.push_back(rows.text(2));
            m_diagnoses.push_back(rows.text(3));
            m_treatments.push_back(rows.text(4));
        }
        return true;
    });
}

bool ComplaintList::FetchDetails(const std::string& visitId)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    int key = 0;
    if (!parseRecordId(visitId, key))
        return Database::refuse();
    const ListMarks marks(m_values);
    return Database::read([&](Database& db) {
        marks.cutBack();
        Statement row = db.prepare(VisitStatements::details().c_str());
        if (!row.bind(1, key).step())
            return false;
        const DateTime date = row.date(1);
        std::vector<std::string> values{visitId, row.id(0)};
        for (size_t i = 0; i < kVisitTextCount; ++i)
            values.push_back(row.text(static_cast<int>(i) + 2));
        m_date = date;
        m_values.insert(m_values.end(), values.begin(), values.end());
        return true;
    });
}

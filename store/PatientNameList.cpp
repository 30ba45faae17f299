#include "store/PatientNameList.h"

#include "store/Database.h"
#include "store/ListMarks.h"
#include "store/RecordId.h"

namespace {

void appendRows(PatientNameList& list, Statement& rows)
{
    while (rows.step()) {
        list.m_ids.push_back(rows.id(0));
        list.m_firstNames.push_back(rows.text(1));
        list.m_lastNames.push_back(rows.text(2));
    }
}

} // namespace

bool PatientNameList::FetchAll()
{
    const ListMarks marks(m_ids, m_firstNames, m_lastNames);
    return Database::run([&](Database& db) {
        marks.cutBack();
        // Room for every patient up front: growing three lists of a hundred thousand
        // names step by step costs more than reading them. The room comes from the number
        // of rows; keys can be anything another program stored, negative or huge.
        Statement counted = db.prepare("SELECT count(*) FROM patient_info");
        if (counted.step()) {
            const auto room = static_cast<size_t>(counted.integer(0));
            m_ids.reserve(m_ids.size() + room);
            m_firstNames.reserve(m_firstNames.size() + room);
            m_lastNames.reserve(m_lastNames.size() + room);
        }
        Statement rows = db.prepare("SELECT ID, first_name, last_name FROM patient_info ORDER BY ID");
        appendRows(*this, rows);
        return true;
    });
}

bool PatientNameList::FetchByID(const std::string& id)
{
    m_failed = false;
    int key = 0;
    // A number no record can have is a miss, not a failure.
    if (!parseRecordId(id, key))
        return Database::refuse();
    const size_t before = m_ids.size();
    const ListMarks marks(m_ids, m_firstNames, m_lastNames);
    m_failed = !Database::run([&](Database& db) {
        marks.cutBack();
        Statement rows = db.prepare("SELECT ID, first_name, last_name FROM patient_info WHERE ID = ?");
        rows.bind(1, key);
        appendRows(*this, rows);
        return true;
    });
    return !m_failed && m_ids.size() > before;
}

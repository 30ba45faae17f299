#include "store/PatientNameList.h"

#include "store/Database.h"
#include "store/ListMarks.h"
#include "store/RecordId.h"

namespace {

void appendRow(PatientNameList& list, const Statement& row)
{
    list.m_ids.push_back(row.id(0));
    list.m_firstNames.push_back(row.text(1));
    list.m_lastNames.push_back(row.text(2));
}

// The number of rows of the result, told by the server with it, or else counted.
size_t rowsOf(Database& db, const Statement& rows)
{
    if (const std::optional<long long> told = rows.rowCount())
        return static_cast<size_t>(*told);
    Statement counted = db.prepare("SELECT count(*) FROM patient_info");
    return counted.step() ? static_cast<size_t>(counted.integer(0)) : 0;
}

} // namespace

bool PatientNameList::FetchAll()
{
    const ListMarks marks(m_ids, m_firstNames, m_lastNames);
    return Database::run([&](Database& db) {
        marks.cutBack();
        Statement rows = db.prepare("SELECT ID, first_name, last_name FROM patient_info ORDER BY ID");
        bool more = rows.step();
        // Room for every patient up front: growing three lists of a hundred thousand
        // names step by step costs more than reading them. The room comes from the number
        // of rows; keys can be anything another program stored, negative or huge.
        const size_t room = rowsOf(db, rows);
        m_ids.reserve(m_ids.size() + room);
        m_firstNames.reserve(m_firstNames.size() + room);
        m_lastNames.reserve(m_lastNames.size() + room);
        for (; more; more = rows.step())
            appendRow(*this, rows);
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
        while (rows.step())
            appendRow(*this, rows);
        return true;
    });
    return !m_failed && m_ids.size() > before;
}

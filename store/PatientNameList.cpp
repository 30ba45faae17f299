#include "store/PatientNameList.h"

#include "store/Database.h"
#include "store/ListMarks.h"
#include "store/RecordId.h"
#include "store/SearchQuery.h"

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

// The keys that meet each term, each kind of key looked up apart as one range of the index;
// a last-name word ranks before any other key. The record number, when the text is one, ranks
// first and meets the text's one term. Patients are those with keys meeting every term; they
// are counted and ordered, and only those shown are read from patient_info.
std::string searchSql(const SearchQuery& query)
{
    std::string hits;
    const auto add = [&hits](const std::string& select) {
        hits += (hits.empty() ? " " : " UNION ALL ") + select;
    };
    for (size_t term = 0; term < query.terms().size(); ++term)
        for (int kind = int(query.terms()[term].lowest);
             kind <= int(query.terms()[term].highest); ++kind)
            add("SELECT " + std::to_string(term) +
                " AS term, patient_ID, CASE WHEN kind = 1 THEN 1 ELSE 2 END AS rank, sort_name"
                " FROM search_words WHERE kind = ? AND word >= ? AND word < ?");
    if (query.recordNumber())
        add("SELECT 0, ID, 0, '' FROM patient_info WHERE ID = ?");
    // With one term every key found meets it; only more terms need counting.
    const std::string everyTerm =
        query.terms().size() > 1 ? " HAVING count(DISTINCT term) = ?" : "";
    return "WITH hits AS (" + hits +
           "), found AS (SELECT patient_ID, min(rank) AS rank, max(sort_name) AS sort_name"
           " FROM hits GROUP BY patient_ID" +
           everyTerm +
           "), page AS (SELECT patient_ID, rank, sort_name, count(*) OVER () AS total FROM found"
           " ORDER BY rank, sort_name, patient_ID LIMIT ?)"
           " SELECT p.ID, p.first_name, p.last_name, page.total"
           " FROM page JOIN patient_info p ON p.ID = page.patient_ID"
           " ORDER BY page.rank, page.sort_name, page.patient_ID";
}

void bindSearch(Statement& search, const SearchQuery& query)
{
    int at = 0;
    for (const SearchQuery::Term& term : query.terms()) {
        for (int kind = int(term.lowest); kind <= int(term.highest); ++kind) {
            search.bind(at + 1, kind).bind(at + 2, term.prefix);
            search.bind(at + 3, SearchQuery::pastPrefix(term.prefix));
            at += 3;
        }
    }
    if (query.recordNumber())
        search.bind(++at, *query.recordNumber());
    if (query.terms().size() > 1)
        search.bind(++at, static_cast<int>(query.terms().size()));
    search.bind(at + 1, PatientNameList::searchLimit);
}

} // namespace

bool PatientNameList::FetchAll()
{
    const ListMarks marks(m_ids, m_firstNames, m_lastNames);
    return Database::read([&](Database& db) {
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
    m_failed = !Database::read([&](Database& db) {
        marks.cutBack();
        Statement rows = db.prepare("SELECT ID, first_name, last_name FROM patient_info WHERE ID = ?");
        rows.bind(1, key);
        while (rows.step())
            appendRow(*this, rows);
        return true;
    });
    return !m_failed && m_ids.size() > before;
}

bool PatientNameList::Search(const std::string& typed)
{
    const SearchQuery query(typed);
    const ListMarks marks(m_ids, m_firstNames, m_lastNames);
    return Database::read([&](Database& db) {
        marks.cutBack();
        m_found = 0;
        if (query.terms().empty())
            return true;
        Statement rows = db.prepare(searchSql(query).c_str());
        bindSearch(rows, query);
        while (rows.step()) {
            m_ids.push_back(rows.id(0));
            m_firstNames.push_back(rows.text(1));
            m_lastNames.push_back(rows.text(2));
            m_found = rows.integer(3);
        }
        return true;
    });
}

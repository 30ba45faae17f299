#include "store/ImportedRecords.h"

#include "store/Database.h"
#include "store/SearchIndex.h"
#include "store/VisitField.h"

namespace {

struct TableKey {
    const char* table;
    const char* key;
};

constexpr TableKey kTables[ImportedRecords::TableCount] = {
    {"patient_info", "ID"},
    {"complaints", "compl_ID"},
    {"history_entries", "entry_ID"},
    {"patient_medications", "medication_ID"},
    {"tests", "test_ID"},
};

// "?, ?, ?" for the columns of `columns`, separated by commas.
std::string parametersFor(const std::string& columns) {
    std::string parameters = "?";
    for (const char c : columns)
        if (c == ',')
            parameters += ", ?";
    return parameters;
}

} // namespace

bool ImportedRecords::holdNone() {
    for (const TableKey& t : kTables)
        if (m_db.prepare((std::string("SELECT 1 FROM ") + t.table + " LIMIT 1").c_str()).step())
            return false;
    return true;
}

long long ImportedRecords::highestKeyGiven(Table table) {
    return m_db.highestKeyGiven(kTables[table].table, kTables[table].key);
}

void ImportedRecords::keysGivenUpTo(Table table, long long key) {
    m_db.keysGivenUpTo(kTables[table].table, kTables[table].key, key);
}

// The row's key is the first parameter when it is kept; bind(statement, first) binds the
// columns' values from parameter `first` on.
template <typename Bind>
long long ImportedRecords::insert(Table table, const std::string& columns, const Bind& bind,
                                  long long key) {
    const TableKey& t = kTables[table];
    if (key != 0) {
        const std::string sql = std::string("INSERT INTO ") + t.table + " (" + t.key + ", " +
                                columns + ") VALUES (?, " + parametersFor(columns) + ")";
        Statement statement = m_db.prepareInsertWithKey(sql.c_str());
        statement.bind(1, key);
        bind(statement, 2);
        statement.run();
        return key;
    }
    const std::string sql = std::string("INSERT INTO ") + t.table + " (" + columns + ") VALUES (" +
                            parametersFor(columns) + ")";
    Statement statement = m_db.prepareInsert(sql.c_str(), t.key);
    bind(statement, 1);
    statement.run();
    return m_db.lastInsertId();
}

long long ImportedRecords::addPatient(const PatientDetails& d, long long key) {
    const long long added = insert(
        Patients, "first_name, last_name, DOB, Gender, address, telephone",
        [&](Statement& s, int first) {
            s.bind(first, d.m_firstName).bind(first + 1, d.m_lastName).bind(first + 2, d.m_dob);
            s.bind(first + 3, d.m_gender)
                .bind(first + 4, d.m_address)
                .bind(first + 5, d.m_telephone);
        },
        key);
    SearchIndex::add(m_db, added, d.m_firstName, d.m_lastName, d.m_dob, d.m_telephone);
    return added;
}

long long ImportedRecords::addHistory(long long patient, const std::string& kind,
                                      const std::string& text, long long key) {
    return insert(
        History, "patient_ID, entry_type, entry_details",
        [&](Statement& s, int first) {
            s.bind(first, patient).bind(first + 1, kind).bind(first + 2, text);
        },
        key);
}

long long ImportedRecords::addMedication(long long patient, const std::string& name,
                                         const std::string& status, long long key) {
    return insert(
        Medications, "patient_ID, name, status",
        [&](Statement& s, int first) {
            s.bind(first, patient).bind(first + 1, name).bind(first + 2, status);
        },
        key);
}

long long ImportedRecords::addTest(long long patient, DateTime date, const std::string& type,
                                   const std::string& results, long long key) {
    return insert(
        Tests, "patient_ID, date, type, results",
        [&](Statement& s, int first) {
            s.bind(first, patient)
                .bind(first + 1, date)
                .bind(first + 2, type)
                .bind(first + 3, results);
        },
        key);
}

long long ImportedRecords::addVisit(long long patient, DateTime date, const std::string& complaint,
                                    long long key) {
    return insert(
        Visits, std::string("patient_ID, date, ") + kVisitFields[visitText("complaint")].column,
        [&](Statement& s, int first) {
            s.bind(first, patient).bind(first + 1, date).bind(first + 2, complaint);
        },
        key);
}

void ImportedRecords::addToVisit(long long visit, size_t field, const std::string& text) {
    const std::string column = kVisitFields[field].column;
    const std::string sql = "UPDATE complaints SET " + column + " = CASE WHEN " + column +
                            " = '' THEN ? ELSE " + column + " || ? END WHERE compl_ID = ?";
    m_db.prepare(sql.c_str()).bind(1, text).bind(2, "\n" + text).bind(3, visit).run();
}

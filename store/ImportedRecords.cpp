#include "store/ImportedRecords.h"

#include "store/Database.h"
#include "store/SearchIndex.h"

#include <algorithm>

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

// Rows or visit texts written by one statement: far below the engines' limits on parameters.
constexpr size_t kAtOnce = 250;

// "(?, ?, ?)" for the columns of `columns`, separated by commas.
std::string parametersFor(const std::string& columns) {
    std::string parameters = "(?";
    for (const char c : columns)
        if (c == ',')
            parameters += ", ?";
    return parameters + ")";
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

long long ImportedRecords::addPatient(const PatientDetails& d, long long key) {
    const char* columns = "first_name, last_name, DOB, Gender, address, telephone";
    const std::vector<Value> values = {d.m_firstName, d.m_lastName,
                                       d.m_dob,       static_cast<long long>(d.m_gender),
                                       d.m_address,   d.m_telephone};
    long long added = key;
    if (key != 0) {
        addRow(Patients, columns, values, key);
    } else {
        Statement insert = m_db.prepareInsert((std::string("INSERT INTO patient_info (") + columns +
                                               ") VALUES " + parametersFor(columns))
                                                  .c_str(),
                                              "ID");
        for (size_t i = 0; i < values.size(); ++i)
            std::visit([&](const auto& value) { insert.bind(int(i) + 1, value); }, values[i]);
        insert.run();
        added = m_db.lastInsertId();
    }
    SearchIndex::add(m_db, added, d.m_firstName, d.m_lastName, d.m_dob, d.m_telephone);
    return added;
}

long long ImportedRecords::addVisit(long long patient, DateTime date, const std::string& complaint,
                                    long long key) {
    const std::string columns =
        std::string("patient_ID, date, ") + kVisitFields[visitText("complaint")].column;
    if (key != 0) {
        addRow(Visits, columns, {patient, date, complaint}, key);
        return key;
    }
    Statement insert = m_db.prepareInsert(
        ("INSERT INTO complaints (" + columns + ") VALUES " + parametersFor(columns)).c_str(),
        "compl_ID");
    insert.bind(1, patient).bind(2, date).bind(3, complaint).run();
    return m_db.lastInsertId();
}

void ImportedRecords::addWholeVisit(long long patient, DateTime date,
                                   const std::vector<std::string>& texts, long long key) {
    std::string columns = "patient_ID, date";
    std::vector<Value> values = {patient, date};
    for (size_t field = 0; field < kVisitTextCount; ++field) {
        columns += std::string(", ") + kVisitFields[field].column;
        values.emplace_back(field < texts.size() ? texts[field] : std::string());
    }
    addRow(Visits, columns, std::move(values), key);
}

void ImportedRecords::addHistory(long long patient, const std::string& kind,
                                 const std::string& text, long long key) {
    addRow(History, "patient_ID, entry_type, entry_details", {patient, kind, text}, key);
}

void ImportedRecords::addMedication(long long patient, const std::string& name,
                                    const std::string& status, long long key) {
    addRow(Medications, "patient_ID, name, status", {patient, name, status}, key);
}

void ImportedRecords::addTest(long long patient, DateTime date, const std::string& type,
                              const std::string& results, long long key) {
    addRow(Tests, "patient_ID, date, type, results", {patient, date, type, results}, key);
}

// A row with its key waits with others with theirs, a row without with others without, each
// with rows of the same columns.
void ImportedRecords::addRow(Table table, const std::string& columns, std::vector<Value> values,
                             long long key) {
    Waiting& waiting = m_rows[table];
    if (waiting.rows != 0 && (waiting.withKeys != (key != 0) || waiting.columns != columns))
        writeRows(table);
    waiting.columns = columns;
    waiting.withKeys = key != 0;
    if (key != 0)
        waiting.values.emplace_back(key);
    waiting.values.insert(waiting.values.end(), values.begin(), values.end());
    if (++waiting.rows == kAtOnce)
        writeRows(table);
}

void ImportedRecords::writeRows(Table table) {
    Waiting& waiting = m_rows[table];
    if (waiting.rows == 0)
        return;
    const TableKey& t = kTables[table];
    const std::string columns =
        waiting.withKeys ? std::string(t.key) + ", " + waiting.columns : waiting.columns;
    std::string sql = std::string("INSERT INTO ") + t.table + " (" + columns + ") VALUES ";
    for (size_t i = 0; i < waiting.rows; ++i)
        sql += (i == 0 ? "" : ", ") + parametersFor(columns);
    Statement insert =
        waiting.withKeys ? m_db.prepareInsertWithKey(sql.c_str()) : m_db.prepare(sql.c_str());
    for (size_t i = 0; i < waiting.values.size(); ++i)
        std::visit([&](const auto& value) { insert.bind(int(i) + 1, value); }, waiting.values[i]);
    insert.run();
    waiting.values.clear();
    waiting.rows = 0;
}

// A visit's texts wait together, so that its row is written once for all of them; a second
// text for the same field waits for the first to be written.
void ImportedRecords::addToVisit(long long visit, size_t field, const std::string& text) {
    auto waiting = m_texts.find(visit);
    if (waiting != m_texts.end() && waiting->second[field]) {
        writeVisitTexts();
        waiting = m_texts.end();
    }
    if (waiting == m_texts.end())
        waiting =
            m_texts.emplace(visit, std::vector<std::optional<std::string>>(kVisitTextCount)).first;
    waiting->second[field] = text;
    if (m_texts.size() == kAtOnce)
        writeVisitTexts();
}

void ImportedRecords::finish() {
    for (int table = 0; table < TableCount; ++table)
        writeRows(Table(table));
    writeVisitTexts();
}

// One statement for all the visits waiting, after their rows are written: the fields some of
// them have texts for, each added to the field's text, a field without one left as it is. A
// text not given is a parameter never bound, which is NULL; each row ends with the visit's
// number, always bound, so that the statement's last parameter is too.
void ImportedRecords::writeVisitTexts() {
    if (m_texts.empty())
        return;
    writeRows(Visits);
    std::vector<size_t> fields;
    for (size_t field = 0; field < kVisitTextCount; ++field)
        if (std::any_of(m_texts.begin(), m_texts.end(),
                        [&](const auto& visit) { return visit.second[field].has_value(); }))
            fields.push_back(field);
    std::string sql = "UPDATE complaints SET ";
    std::string row = "(";
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string column = kVisitFields[fields[i]].column;
        const std::string value = "v.column" + std::to_string(i + 1);
        sql += (i == 0 ? "" : ", ") + column + " = CASE WHEN " + value + " IS NULL THEN " + column +
               " WHEN " + column + " = '' THEN " + value + " ELSE " + column +
               " || CAST(? AS TEXT) || " + value + " END";
        row += "CAST(? AS TEXT), ";
    }
    sql += " FROM (VALUES ";
    for (size_t i = 0; i < m_texts.size(); ++i)
        sql += (i == 0 ? "" : ", ") + row + "CAST(? AS INTEGER))";
    sql += ") AS v WHERE compl_ID = v.column" + std::to_string(fields.size() + 1);
    Statement update = m_db.prepare(sql.c_str());
    int parameter = 1;
    for (size_t i = 0; i < fields.size(); ++i)
        update.bind(parameter++, std::string("\n"));
    for (const auto& [visit, texts] : m_texts) {
        for (const size_t field : fields)
            if (const std::optional<std::string>& text = texts[field]; text)
                update.bind(parameter++, *text);
            else
                ++parameter;
        update.bind(parameter++, visit);
    }
    update.run();
    m_texts.clear();
}

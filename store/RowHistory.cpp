#include "store/RowHistory.h"

#include "store/ComplaintRecord.h"
#include "store/Database.h"
#include "store/ImportedRecords.h"
#include "store/PatientDetails.h"
#include "store/PatientRecord.h"
#include "store/RecordId.h"
#include "store/RowHelpers.h"
#include "store/Session.h"
#include "store/TrailRow.h"
#include "store/VisitField.h"

#include <algorithm>
#include <map>
#include <optional>

namespace {

using Fields = std::vector<std::string>;
using Kind = RowHistory::Kind;

struct Shape {
    const char* table;
    const char* key;
    const char* patient;
};

Shape shapeOf(Kind kind) {
    switch (kind) {
    case Kind::Particulars:
        return {"patient_info", "ID", "ID"};
    case Kind::Visit:
        return {"complaints", "compl_ID", "patient_ID"};
    case Kind::HistoryEntry:
        return {"history_entries", "entry_ID", "patient_ID"};
    case Kind::Medication:
        return {"patient_medications", "medication_ID", "patient_ID"};
    case Kind::Test:
        break;
    }
    return {"tests", "test_ID", "patient_ID"};
}

bool isDate(const std::string& column) {
    return column == "DOB" || column == "date";
}

// One entry of the row's, as a desk may read it.
struct Entry {
    std::string when;
    std::string who;
    std::string action;
    std::string record;
    std::string details;
};

// The trail's local time, "YYYY-MM-DDTHH:MM:SS.fff", to the second as the screens show times.
std::string toTheSecond(const std::string& time) {
    std::string when = time.substr(0, 19);
    std::replace(when.begin(), when.end(), 'T', ' ');
    return when;
}

std::vector<Entry> entriesOf(Database& db, Kind kind, int patient, const std::string& record) {
    Statement read = db.prepareRowEntries();
    read.bind(1, std::string(shapeOf(kind).table)).bind(2, record).bind(3, patient);
    std::vector<Entry> entries;
    while (read.step())
        entries.push_back(
            {toTheSecond(read.text(0)), read.text(1), read.text(2), read.text(3), read.text(4)});
    return entries;
}

Fields fieldsOf(Kind kind, const std::string& json) {
    const TrailRow row(json);
    Fields fields;
    for (const std::string& column : RowHistory::columns(kind))
        fields.push_back(isDate(column) ? row.date(column.c_str()).toIso()
                                        : row.text(column.c_str()));
    return fields;
}

std::optional<Fields> rowNow(Database& db, Kind kind, int patient, int record) {
    const Shape shape = shapeOf(kind);
    const Fields columns = RowHistory::columns(kind);
    std::string sql = "SELECT ";
    for (size_t i = 0; i < columns.size(); ++i)
        sql += (i == 0 ? "" : ", ") + columns[i];
    sql += std::string(" FROM ") + shape.table + " WHERE " + shape.key + " = ? AND " +
           shape.patient + " = ?";
    Statement read = db.prepare(sql.c_str());
    read.bind(1, record).bind(2, patient);
    if (!read.step())
        return std::nullopt;
    Fields fields;
    for (size_t i = 0; i < columns.size(); ++i)
        fields.push_back(isDate(columns[i]) ? read.date(int(i)).toIso() : read.text(int(i)));
    return fields;
}

// Each entry holds the row before its change, or for an insert the row it made: the version an
// update made is the row the next change found, or the row as it is now.
std::vector<RowHistory::Version> versionsOf(Kind kind, const std::vector<Entry>& entries,
                                            const std::optional<Fields>& now) {
    std::vector<RowHistory::Version> versions;
    if (!entries.empty() && entries.front().action != "insert")
        versions.push_back({"", "", "", fieldsOf(kind, entries.front().details)});
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        Fields fields;
        if (entry.action != "update")
            fields = fieldsOf(kind, entry.details);
        else if (i + 1 < entries.size())
            fields = fieldsOf(kind, entries[i + 1].details);
        else
            fields = now.value_or(fieldsOf(kind, entry.details));
        versions.push_back({entry.when, entry.who, entry.action, std::move(fields)});
    }
    return versions;
}

DateTime dateOf(const std::string& iso) {
    DateTime date;
    DateTime::fromIso(iso, date);
    return date;
}

PatientDetails particularsOf(const Fields& f) {
    PatientDetails details;
    details.m_firstName = f[0];
    details.m_lastName = f[1];
    details.m_dob = dateOf(f[2]);
    details.m_gender = f[3] == "1" ? 1 : 0;
    details.m_address = f[4];
    details.m_telephone = f[5];
    return details;
}

bool restoreParticulars(const std::string& id, const Fields& newest, const Fields& chosen) {
    const PatientDetails wanted = particularsOf(chosen);
    return PatientRecord().UpdateUnlessChanged(id, particularsOf(newest), wanted.m_firstName,
                                               wanted.m_lastName, wanted.m_dob, wanted.m_gender,
                                               wanted.m_address, wanted.m_telephone);
}

bool restoreVisit(const std::string& id, const std::string& patientId, const Fields& newest,
                  const Fields& chosen) {
    return ComplaintRecord().UpdateUnlessChanged(
        id, patientId, dateOf(newest[0]), Fields(newest.begin() + 1, newest.end()),
        dateOf(chosen[0]), Fields(chosen.begin() + 1, chosen.end()));
}

void addRow(ImportedRecords& rows, Kind kind, long long patient, const Fields& f, long long key) {
    switch (kind) {
    case Kind::Visit:
        rows.addWholeVisit(patient, dateOf(f[0]), Fields(f.begin() + 1, f.end()), key);
        break;
    case Kind::HistoryEntry:
        rows.addHistory(patient, f[0], f[1], key);
        break;
    case Kind::Medication:
        rows.addMedication(patient, f[0], f[1], key);
        break;
    case Kind::Test:
        rows.addTest(patient, dateOf(f[0]), f[1], f[2], key);
        break;
    case Kind::Particulars:
        break;
    }
}

} // namespace

std::vector<RowHistory::Field> RowHistory::fields(Kind kind) {
    switch (kind) {
    case Kind::Particulars:
        return {{"first_name", "First name"}, {"last_name", "Last name"},
                {"DOB", "Date of birth"},     {"Gender", "Gender"},
                {"address", "Address"},       {"telephone", "Telephone"}};
    case Kind::Visit: {
        std::vector<Field> visit = {{"date", "Date"}};
        for (const VisitField& field : kVisitFields)
            visit.push_back({field.column, field.printedLabel});
        return visit;
    }
    case Kind::HistoryEntry:
        return {{"entry_type", "Kind"}, {"entry_details", "Details"}};
    case Kind::Medication:
        return {{"name", "Name"}, {"status", "Status"}};
    case Kind::Test:
        break;
    }
    return {{"date", "Date"}, {"type", "Type"}, {"results", "Results"}};
}

std::vector<std::string> RowHistory::columns(Kind kind) {
    std::vector<std::string> names;
    for (const Field& field : fields(kind))
        names.push_back(field.column);
    return names;
}

bool RowHistory::Fetch(Kind kind, const std::string& patientId, const std::string& recordId) {
    m_versions.clear();
    int patient = 0;
    int record = 0;
    if (!parseRecordId(patientId, patient) || !parseRecordId(recordId, record))
        return Database::refuse();
    if (kind != Kind::Particulars && !Session::mayCare())
        return Database::notAllowed();
    m_kind = kind;
    m_patientId = std::to_string(patient);
    m_recordId = std::to_string(record);
    return Database::read([&](Database& db) {
        const std::vector<Entry> entries = entriesOf(db, kind, patient, m_recordId);
        m_versions = versionsOf(kind, entries, rowNow(db, kind, patient, record));
        return true;
    });
}

bool RowHistory::FetchDeleted(Kind kind, const std::string& patientId) {
    m_deleted.clear();
    int patient = 0;
    if (!parseRecordId(patientId, patient))
        return Database::refuse();
    if (kind != Kind::Particulars && !Session::mayCare())
        return Database::notAllowed();
    return Database::read([&](Database& db) {
        const std::vector<Entry> entries = entriesOf(db, kind, patient, "");
        std::map<std::string, size_t> lastOf;
        for (size_t i = 0; i < entries.size(); ++i)
            lastOf[entries[i].record] = i;
        std::vector<size_t> deleted;
        for (const auto& [record, last] : lastOf)
            if (entries[last].action == "delete")
                deleted.push_back(last);
        std::sort(deleted.begin(), deleted.end());
        m_deleted.clear();
        for (const size_t i : deleted)
            m_deleted.push_back({entries[i].record,
                                 {entries[i].when, entries[i].who, entries[i].action,
                                  fieldsOf(kind, entries[i].details)}});
        return true;
    });
}

bool RowHistory::Restore(size_t index) {
    if (index >= m_versions.size() || m_versions[index].action == "delete")
        return Database::refuse();
    const Version& chosen = m_versions[index];
    const Version& newest = m_versions.back();
    if (newest.action == "delete")
        return bringBack(chosen);
    if (m_kind == Kind::Particulars)
        return restoreParticulars(m_recordId, newest.fields, chosen.fields);
    if (m_kind == Kind::Visit)
        return restoreVisit(m_recordId, m_patientId, newest.fields, chosen.fields);
    return Database::refuse();
}

// In one operation, with the number the row had: only while the patient is there and no row
// has that number again.
bool RowHistory::bringBack(const Version& version) {
    if (m_kind == Kind::Particulars)
        return Database::refuse();
    if (!Session::mayCare())
        return Database::notAllowed();
    const int patient = std::stoi(m_patientId);
    const int record = std::stoi(m_recordId);
    const Shape shape = shapeOf(m_kind);
    return Database::run([&](Database& db) {
        const std::string taken =
            std::string("SELECT 1 FROM ") + shape.table + " WHERE " + shape.key + " = ?";
        if (!patientExists(db, patient) || db.prepare(taken.c_str()).bind(1, record).step())
            return false;
        ImportedRecords rows(db);
        addRow(rows, m_kind, patient, version.fields, record);
        rows.finish();
        return true;
    });
}

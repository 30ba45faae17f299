#include "store/DeletedPatients.h"

#include "store/Database.h"
#include "store/ImportedRecords.h"
#include "store/RecordId.h"
#include "store/Session.h"
#include "store/TrailRow.h"
#include "store/VisitField.h"

#include <set>

namespace {

// The rows deleted with the patient follow the patient's own entry; none of the patient's
// rows is left to delete after it.
constexpr const char* kDeletedWith =
    "SELECT table_name, details FROM audit_trail WHERE entry_id > ? AND patient_id = ?"
    " AND action = 'delete' ORDER BY entry_id";

constexpr const char* kLastDeletion =
    "SELECT entry_id, details FROM audit_trail WHERE table_name = 'patient_info'"
    " AND action = 'delete' AND patient_id = ? ORDER BY entry_id DESC LIMIT 1";

void addVisit(ImportedRecords& rows, long long patient, const TrailRow& visit) {
    const long long key = visit.integer("compl_ID");
    constexpr size_t complaint = visitText("complaint");
    rows.addVisit(patient, visit.date("date"), visit.text(kVisitFields[complaint].column), key);
    for (size_t field = 0; field < kVisitTextCount; ++field)
        if (const std::string text = visit.text(kVisitFields[field].column);
            field != complaint && !text.empty())
            rows.addToVisit(key, field, text);
}

// One row deleted with the patient, put back with its number.
void putBack(ImportedRecords& rows, long long patient, const std::string& table,
             const TrailRow& row) {
    if (table == "complaints")
        addVisit(rows, patient, row);
    else if (table == "history_entries")
        rows.addHistory(patient, row.text("entry_type"), row.text("entry_details"),
                        row.integer("entry_ID"));
    else if (table == "patient_medications")
        rows.addMedication(patient, row.text("name"), row.text("status"),
                           row.integer("medication_ID"));
    else if (table == "tests")
        rows.addTest(patient, row.date("date"), row.text("type"), row.text("results"),
                     row.integer("test_ID"));
}

bool patientIsThere(Database& db, int patient) {
    return db.prepare("SELECT 1 FROM patient_info WHERE ID = ?").bind(1, patient).step();
}

} // namespace

bool DeletedPatients::Fetch()
{
    m_patients.clear();
    if (!Session::mayAdminister())
        return Database::notAllowed();
    return Database::read([&](Database& db) {
        Statement deleted = db.prepare(
            "SELECT patient_id, details, time_local, user_name FROM audit_trail a"
            " WHERE table_name = 'patient_info' AND action = 'delete'"
            " AND NOT EXISTS (SELECT 1 FROM patient_info p WHERE p.ID = a.patient_id)"
            " ORDER BY entry_id DESC");
        std::set<std::string> listed;
        while (deleted.step()) {
            const std::string id = deleted.text(0);
            const TrailRow row(deleted.text(1));
            if (!listed.insert(id).second || !row.valid())
                continue;
            m_patients.push_back({id, row.text("first_name"), row.text("last_name"),
                                  row.date("DOB"), deleted.text(2), deleted.text(3)});
        }
        return true;
    });
}

bool DeletedPatients::BringBack(const std::string& id)
{
    if (!Session::mayAdminister())
        return Database::notAllowed();
    int patient = 0;
    if (!parseRecordId(id, patient))
        return Database::refuse();
    return Database::run([&](Database& db) {
        Statement last = db.prepare(kLastDeletion);
        last.bind(1, patient);
        if (!last.step() || patientIsThere(db, patient))
            return false;
        const long long deletion = last.integer(0);
        const TrailRow particulars(last.text(1));
        if (!particulars.valid())
            return false;
        ImportedRecords rows(db);
        PatientDetails details;
        details.m_firstName = particulars.text("first_name");
        details.m_lastName = particulars.text("last_name");
        details.m_dob = particulars.date("DOB");
        details.m_gender = static_cast<int>(particulars.integer("Gender"));
        details.m_address = particulars.text("address");
        details.m_telephone = particulars.text("telephone");
        rows.addPatient(details, patient);
        std::vector<std::pair<std::string, TrailRow>> deletedWith;
        Statement with = db.prepare(kDeletedWith);
        with.bind(1, deletion).bind(2, patient);
        while (with.step())
            deletedWith.emplace_back(with.text(0), TrailRow(with.text(1)));
        for (const auto& [table, row] : deletedWith)
            if (row.valid())
                putBack(rows, patient, table, row);
        rows.finish();
        return true;
    });
}

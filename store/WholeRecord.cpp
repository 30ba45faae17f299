#include "store/WholeRecord.h"

#include "store/Database.h"
#include "store/Session.h"
#include "store/RecordId.h"
#include "store/VisitStatements.h"

namespace {

// The history entries of every kind, in one pass over the patient's rows.
void readHistory(Database& db, int patient, WholeRecord& record)
{
    const std::pair<const char*, std::vector<WholeRecord::Entry>*> kinds[] = {
        {"Allergies", &record.m_allergies}, {"Medical", &record.m_medical},
        {"Surgical", &record.m_surgical},   {"Social", &record.m_social},
        {"Family", &record.m_family},
    };
    Statement rows = db.prepare("SELECT entry_ID, entry_type, entry_details FROM history_entries"
                                " WHERE patient_ID = ? ORDER BY entry_ID");
    rows.bind(1, patient);
    while (rows.step()) {
        const std::string type = rows.text(1);
        for (const auto& [name, entries] : kinds)
            if (type == name)
                entries->push_back({rows.id(0), rows.text(2)});
    }
}

void readMedications(Database& db, int patient, std::vector<WholeRecord::Medication>& out)
{
    Statement rows = db.prepare("SELECT medication_ID, name, status FROM patient_medications"
                                " WHERE patient_ID = ? ORDER BY medication_ID");
    rows.bind(1, patient);
    while (rows.step())
        out.push_back({rows.id(0), rows.text(1), rows.text(2)});
}

void readTests(Database& db, int patient, std::vector<WholeRecord::Test>& out)
{
    Statement rows = db.prepare(
        "SELECT test_ID, date, type, results FROM tests WHERE patient_ID = ? ORDER BY test_ID");
    rows.bind(1, patient);
    while (rows.step())
        out.push_back({rows.id(0), rows.date(1), rows.text(2), rows.text(3)});
}

void readVisits(Database& db, int patient, std::vector<WholeRecord::Visit>& out)
{
    Statement rows = db.prepare(VisitStatements::ofPatient().c_str());
    rows.bind(1, patient);
    while (rows.step()) {
        WholeRecord::Visit visit{rows.id(0), rows.date(1), {}};
        for (size_t i = 0; i < kVisitTextCount; ++i)
            visit.texts.push_back(rows.text(static_cast<int>(i) + 2));
        out.push_back(std::move(visit));
    }
}

} // namespace

bool WholeRecord::Fetch(const std::string& patientId)
{
    return Fetch(patientId, DateTime::currentLocal());
}

bool WholeRecord::Fetch(const std::string& patientId, DateTime now)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    int key = 0;
    if (!parseRecordId(patientId, key))
        return Database::refuse();
    // Read into a fresh record each time: an engine may run the work again after undoing it.
    WholeRecord read;
    const bool found = Database::read([&](Database& db) {
        read = WholeRecord();
        if (!read.m_details.readFrom(db, key))
            return false;
        readHistory(db, key, read);
        readMedications(db, key, read.m_medications);
        readTests(db, key, read.m_tests);
        readVisits(db, key, read.m_visits);
        return true;
    });
    if (!found)
        return false;
    read.m_patientId = std::to_string(key);
    read.m_details.countAge(read.m_details.m_dob, now);
    *this = std::move(read);
    return true;
}

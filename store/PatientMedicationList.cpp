#include "store/PatientMedicationList.h"

#include "store/Database.h"
#include "store/Session.h"
#include "store/ListMarks.h"
#include "store/RecordId.h"

bool PatientMedicationList::Fetch(const std::string& patientId)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    int patient = 0;
    if (!parseRecordId(patientId, patient))
        return Database::refuse();
    const ListMarks marks(m_statuses, m_names, m_ids);
    return Database::read([&](Database& db) {
        marks.cutBack();
        Statement rows = db.prepare(
            "SELECT medication_ID, name, status FROM patient_medications WHERE patient_ID = ?"
            " ORDER BY medication_ID");
        rows.bind(1, patient);
        while (rows.step()) {
            m_ids.push_back(rows.id(0));
            m_names.push_back(rows.text(1));
            m_statuses.push_back(rows.text(2));
        }
        return true;
    });
}

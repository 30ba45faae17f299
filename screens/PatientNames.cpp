#include "screens/PatientNames.h"

#include "platform/ComboBox.h"
#include "store/store.h"

bool PatientNames::fill(ComboBox* box, std::vector<std::string>& patientIds) {
    PatientNameList patients;
    if (!patients.FetchAll())
        return false;
    QStringList names;
    names.reserve(qsizetype(patients.m_ids.size()));
    for (size_t i = 0; i < patients.m_ids.size(); ++i)
        names << QString::fromStdString(patients.m_firstNames[i] + " " + patients.m_lastNames[i]);
    box->addEntries(names);
    patientIds = std::move(patients.m_ids);
    return true;
}

bool PatientNames::stillNamed(const ComboBox* box, int chosen, const std::string& text) {
    return !text.empty() && chosen >= 0 && chosen < box->count() &&
           box->itemText(chosen).startsWith(QString::fromStdString(text), Qt::CaseInsensitive);
}

#include "store/MedicationNameList.h"

#include "store/RowHelpers.h"

bool MedicationNameList::FetchAll()
{
    return fetchNames("SELECT name FROM meds_list ORDER BY rowid", m_names);
}

bool MedicationNameList::AddName(const std::string& name)
{
    return addNameOnce("SELECT 1 FROM meds_list WHERE name = ?",
                       "INSERT INTO meds_list (name) VALUES (?)", name);
}

#include "store/TestTypeList.h"

#include "store/RowHelpers.h"

bool TestTypeList::FetchAll()
{
    return fetchNames("SELECT name FROM tests_list ORDER BY rowid", m_names);
}

bool TestTypeList::AddName(const std::string& name)
{
    return addNameOnce("SELECT 1 FROM tests_list WHERE name = ?",
                       "INSERT INTO tests_list (name) VALUES (?)", name);
}

#include "store/PatientDetails.h"

#include "store/Database.h"
#include "store/RecordId.h"

#include <cmath>

bool PatientDetails::Fetch(const std::string& id)
{
    int key = 0;
    if (!parseRecordId(id, key))
        return Database::refuse();
    return Database::read([&](Database& db) { return readFrom(db, key); });
}

bool PatientDetails::FetchAge(const std::string& id)
{
    return FetchAge(id, DateTime::currentLocal());
}

bool PatientDetails::FetchAge(const std::string& id, DateTime now)
{
    int key = 0;
    if (!parseRecordId(id, key))
        return Database::refuse();
    DateTime dob;
    const bool found = Database::read([&](Database& db) {
        Statement row = db.prepare("SELECT DOB FROM patient_info WHERE ID = ?");
        if (!row.bind(1, key).step())
            return false;
        dob = row.date(0);
        return true;
    });
    if (!found)
        return false;

    countAge(dob, now);
    return true;
}

bool PatientDetails::readFrom(Database& db, int key)
{
    Statement row = db.prepare("SELECT first_name, last_name, DOB, Gender, address, telephone"
                               " FROM patient_info WHERE ID = ?");
    if (!row.bind(1, key).step())
        return false;
    const DateTime dob = row.date(2);
    m_firstName = row.text(0);
    m_lastName = row.text(1);
    m_dob = dob;
    m_gender = static_cast<int>(row.integer(3));
    m_address = row.text(4);
    m_telephone = row.text(5);
    return true;
}

void PatientDetails::countAge(DateTime dob, DateTime now)
{
    // Whole days toward zero: a birth date in the future gives a negative count of days.
    const long long days = static_cast<long long>(std::trunc(now.days() - dob.days()));
    if (days < 30) {
        m_age = std::to_string(days);
        m_ageUnit = Days;
    } else if (days < 365) {
        m_age = std::to_string(days / 30);
        m_ageUnit = Months;
    } else {
        m_age = std::to_string(days / 365);
        m_ageUnit = Years;
    }
}

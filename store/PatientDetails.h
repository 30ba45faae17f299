#pragma once

#include "store/AgeUnit.h"
#include "store/DateTime.h"

#include <string>

class Database;

// One patient's details and age.
class PatientDetails
{
public:
    virtual ~PatientDetails() = default;

    // False, with the members unchanged, when no patient has that number.
    bool Fetch(const std::string& id);
    // As Fetch, within an operation already running on db.
    bool readFrom(Database& db, int key);
    // Age from the date of birth to today.
    bool FetchAge(const std::string& id);
    // Age from the date of birth to the given moment.
    bool FetchAge(const std::string& id, DateTime now);
    // Sets the age from the birth date `dob` to the moment `now`, reading nothing.
    void countAge(DateTime dob, DateTime now);

    std::string m_firstName;
    std::string m_lastName;
    DateTime m_dob;
    int m_gender = 0; // 0 male, 1 female
    std::string m_address;
    std::string m_telephone;
    std::string m_age; // decimal, empty until FetchAge
    AgeUnit m_ageUnit = Days;
};

#pragma once

#include <string>

// The one row of clinic and doctor details printed at the head of prescriptions.
class ClinicInfo
{
public:
    virtual ~ClinicInfo() = default;

    // While the details were never saved (m_setStatus 0) the texts come back empty.
    bool Fetch();
    // Overwrites the row and marks it filled in. The postal code is kept exactly as typed.
    bool Save(const std::string& clinicName, const std::string& docName,
              const std::string& docQualifications, const std::string& phone,
              const std::string& street, const std::string& city, const std::string& province,
              const std::string& postalCode);

    std::string m_clinicName;
    std::string m_docName;
    std::string m_docQualifications;
    std::string m_phone;
    std::string m_street;
    std::string m_city;
    std::string m_province;
    std::string m_postalCode;
    int m_setStatus = 0;
};

#include "store/ClinicInfo.h"

#include "store/Database.h"
#include "store/Session.h"

bool ClinicInfo::Fetch()
{
    return Database::read([&](Database& db) {
        Statement row = db.prepare(
            "SELECT set_status, clinic_name, doc_name, doc_qualifications, phone, street, city,"
            " province, postal_code FROM clinic_info ORDER BY info_ID LIMIT 1");
        if (!row.step())
            return false;
        m_setStatus = static_cast<int>(row.integer(0));
        const bool filled = m_setStatus != 0;
        std::string* texts[] = {&m_clinicName, &m_docName, &m_docQualifications, &m_phone,
                                &m_street,     &m_city,    &m_province,          &m_postalCode};
        for (int i = 0; i < 8; ++i)
            *texts[i] = filled ? row.text(i + 1) : std::string();
        return true;
    });
}

bool ClinicInfo::Save(const std::string& clinicName, const std::string& docName,
                      const std::string& docQualifications, const std::string& phone,
                      const std::string& street, const std::string& city,
                      const std::string& province, const std::string& postalCode)
{
    if (!Session::mayAdminister())
        return Database::notAllowed();
    return Database::run([&](Database& db) {
        db.prepare("UPDATE clinic_info SET clinic_name = ?, doc_name = ?, doc_qualifications = ?,"
                   " phone = ?, street = ?, city = ?, province = ?, postal_code = ?,"
                   " set_status = 1"
                   " WHERE info_ID = (SELECT info_ID FROM clinic_info ORDER BY info_ID LIMIT 1)")
            .bind(1, clinicName)
            .bind(2, docName)
            .bind(3, docQualifications)
            .bind(4, phone)
            .bind(5, street)
            .bind(6, city)
            .bind(7, province)
            .bind(8, postalCode)
            .run();
        return db.changes() == 1;
    });
}

#include "prescription/EditClinicInfo1.h"

#include "platform/DataExchange.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/Navigator.h"
#include "screens/StoreFailure.h"
#include "store/ClinicInfo.h"

#include <algorithm>

namespace {

const int kFields[] = {IDC_CLINIC_NAME,     IDC_CLINIC_DOCTOR_NAME, IDC_CLINIC_QUALIFICATIONS,
                       IDC_CLINIC_PHONE,    IDC_CLINIC_STREET,      IDC_CLINIC_CITY,
                       IDC_CLINIC_PROVINCE, IDC_CLINIC_POSTAL_CODE};

} // namespace

EditClinicInfo1::EditClinicInfo1() : FormView(kEditClinicInfoForm) {
    for (int field : kFields)
        onChanged(field, [this] { enableControl(IDC_CLINIC_UPDATE, true); });
    onClicked(IDC_CLINIC_UPDATE, [this] { UpdateClinic(); });
    onClicked(IDC_CLINIC_CANCEL, [this] { backToMainMenu(); });
}

void EditClinicInfo1::OnInitialUpdate() {
    FormView::OnInitialUpdate();
    load();
}

void EditClinicInfo1::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_CLINIC_NAME, clinicName, 100);
    dx.text(IDC_CLINIC_DOCTOR_NAME, doctorName, 50);
    dx.text(IDC_CLINIC_QUALIFICATIONS, qualifications, 50);
    dx.text(IDC_CLINIC_PHONE, phone, 50);
    dx.text(IDC_CLINIC_STREET, street, 100);
    dx.text(IDC_CLINIC_CITY, city, 50);
    dx.text(IDC_CLINIC_PROVINCE, province, 50);
    dx.text(IDC_CLINIC_POSTAL_CODE, postalCode, 25);
}

void EditClinicInfo1::load() {
    ClinicInfo info;
    if (!info.Fetch()) {
        StoreFailure::show(this, "Error fetching clinic information");
        return;
    }
    clinicName = info.m_clinicName;
    doctorName = info.m_docName;
    qualifications = info.m_docQualifications;
    phone = info.m_phone;
    street = info.m_street;
    city = info.m_city;
    province = info.m_province;
    postalCode = info.m_postalCode;
    UpdateData(false);
    // A stored value filling its field is a change like any typed one.
    if (!std::ranges::all_of(values(), &std::string::empty))
        enableControl(IDC_CLINIC_UPDATE, true);
}

void EditClinicInfo1::UpdateClinic() {
    UpdateData(true);
    if (std::ranges::any_of(values(), &std::string::empty)) {
        MessageBox(this,
                   "All fields are required, as they'll be used as header information in "
                   "prescriptions and reports",
                   "Error", MsgIcon::Information);
        return;
    }
    ClinicInfo info;
    if (!info.Save(clinicName, doctorName, qualifications, phone, street, city, province,
                   postalCode)) {
        StoreFailure::show(this, "Error updating clinic information");
        return;
    }
    backToMainMenu();
}

std::array<const std::string*, 8> EditClinicInfo1::values() const {
    return {&clinicName, &doctorName, &qualifications, &phone,
            &street,     &city,       &province,       &postalCode};
}

void EditClinicInfo1::backToMainMenu() {
    Navigator::instance().returnToMainMenu(*this);
}

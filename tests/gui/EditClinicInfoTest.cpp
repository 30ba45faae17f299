// The clinic information screen: its fields and limits, the "Update" button, the checks and
// the failures, and the letterhead it puts on printed prescriptions.

#include "PrescriptionSupport.h"

#include "app/MainMenu.h"
#include "prescription/EditClinicInfo1.h"
#include "store/ClinicInfo.h"

#include <QLabel>
#include <QPushButton>

namespace {

const int kFields[] = {IDC_CLINIC_NAME,   IDC_CLINIC_DOCTOR_NAME, IDC_CLINIC_QUALIFICATIONS,
                       IDC_CLINIC_PHONE,  IDC_CLINIC_STREET,      IDC_CLINIC_CITY,
                       IDC_CLINIC_PROVINCE, IDC_CLINIC_POSTAL_CODE};

const BoxRecord kAllRequired{"All fields are required, as they'll be used as header "
                             "information in prescriptions and reports",
                             "Error", MsgIcon::Information};

EditClinicInfo1* openClinic(GuiSession& s) {
    GuiSession::click(*s.activeView(), IDC_MAIN_CLINIC_INFO);
    return s.active<EditClinicInfo1>();
}

QLineEdit* field(EditClinicInfo1& view, int id) {
    return view.control<QLineEdit>(id);
}

bool updateEnabled(EditClinicInfo1& view) {
    return view.control<QPushButton>(IDC_CLINIC_UPDATE)->isEnabled();
}

void typeAll(EditClinicInfo1& view, const QStringList& values) {
    for (int i = 0; i < 8; ++i)
        GuiSession::type(view, kFields[i], values[i]);
}

const QStringList kCedar = {"Cedar Family Clinic", "Dr. Amal Haddad", "MD, FRCP",
                            "555-0142",            "12 Harbour Road", "Tripoli",
                            "North",               "01300"};

ClinicInfo stored() {
    ClinicInfo info;
    if (!info.Fetch())
        qFatal("clinic_info could not be read");
    return info;
}

} // namespace

class EditClinicInfoTest : public QObject {
    Q_OBJECT

private slots:
    void opensEmptyWithUpdateDisabledUntilAKeystroke() {
        GuiSession s;
        EditClinicInfo1* view = openClinic(s);
        QVERIFY(view);
        QCOMPARE(s.activeTitle(), QString("Edit clinic information"));
        for (int id : kFields)
            QCOMPARE(field(*view, id)->text(), QString());
        QVERIFY(!updateEnabled(*view));
        QCOMPARE(field(*view, IDC_CLINIC_PROVINCE)->accessibleName(), QString("Province"));
        GuiSession::type(*view, IDC_CLINIC_CITY, "T");
        QVERIFY(updateEnabled(*view));
        // Emptied again, the field leaves the button as it is.
        QTest::keyClick(field(*view, IDC_CLINIC_CITY), Qt::Key_Backspace);
        QVERIFY(updateEnabled(*view));
        VERIFY_BOXES(s);
    }

    void fieldsStopAtTheirLimits() {
        GuiSession s;
        EditClinicInfo1* view = openClinic(s);
        const std::pair<int, int> limits[] = {
            {IDC_CLINIC_NAME, 100},   {IDC_CLINIC_DOCTOR_NAME, 50}, {IDC_CLINIC_QUALIFICATIONS, 50},
            {IDC_CLINIC_PHONE, 50},   {IDC_CLINIC_STREET, 100},     {IDC_CLINIC_CITY, 50},
            {IDC_CLINIC_PROVINCE, 50}, {IDC_CLINIC_POSTAL_CODE, 25}};
        for (auto [id, limit] : limits) {
            GuiSession::type(*view, id, QString(limit + 5, u'x'));
            QCOMPARE(field(*view, id)->text().size(), limit);
        }
        VERIFY_BOXES(s);
    }

    void everyFieldIsRequiredAndBlanksCountAsFilled() {
        GuiSession s;
        EditClinicInfo1* view = openClinic(s);
        for (int empty = 0; empty < 8; ++empty) {
            for (int i = 0; i < 8; ++i) {
                QTest::keyClick(field(*view, kFields[i]), Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(field(*view, kFields[i]), Qt::Key_Backspace);
                if (i != empty)
                    GuiSession::type(*view, kFields[i], " ");
            }
            s.boxes().expectBox(kAllRequired);
            GuiSession::click(*view, IDC_CLINIC_UPDATE);
            VERIFY_BOXES(s);
            QVERIFY(s.active<EditClinicInfo1>());
            QCOMPARE(stored().m_setStatus, 0);
        }
        GuiSession::type(*view, kFields[7], " ");
        GuiSession::click(*view, IDC_CLINIC_UPDATE);
        QVERIFY(s.active<MainMenu>());
        const ClinicInfo saved = stored();
        QCOMPARE(saved.m_setStatus, 1);
        QCOMPARE(saved.m_clinicName, std::string(" "));
        QCOMPARE(saved.m_postalCode, std::string(" "));
        VERIFY_BOXES(s);
    }

    void savedDetailsComeBackAsTypedWithUpdateEnabled() {
        GuiSession s;
        EditClinicInfo1* view = openClinic(s);
        typeAll(*view, kCedar);
        GuiSession::click(*view, IDC_CLINIC_UPDATE);
        QVERIFY(s.active<MainMenu>());

        view = openClinic(s);
        QVERIFY(updateEnabled(*view));
        QStringList shown;
        for (int id : kFields)
            shown << field(*view, id)->text();
        QCOMPARE(shown, kCedar); // the postal code keeps its leading zero

        // Changed and cancelled, nothing is saved.
        GuiSession::type(*view, IDC_CLINIC_CITY, " North");
        GuiSession::click(*view, IDC_CLINIC_CANCEL);
        QVERIFY(s.active<MainMenu>());
        QCOMPARE(stored().m_city, std::string("Tripoli"));
        VERIFY_BOXES(s);
    }

    void aRowThatCannotBeReadLeavesTheFieldsEmpty() {
        GuiSession s;
        QVERIFY(rx::runSql("DELETE FROM clinic_info"));
        s.boxes().expectBox({"Error fetching clinic information", "Error", MsgIcon::Stop});
        EditClinicInfo1* view = openClinic(s);
        VERIFY_BOXES(s);
        QVERIFY(view);
        for (int id : kFields)
            QCOMPARE(field(*view, id)->text(), QString());
        QVERIFY(!updateEnabled(*view));
    }

    void aFailedSaveKeepsTheScreenAndTheEntries() {
        GuiSession s;
        QVERIFY(TestRecords::current().refuse("UPDATE", "clinic_info"));
        EditClinicInfo1* view = openClinic(s);
        typeAll(*view, kCedar);
        s.boxes().expectBox({"Error updating clinic information", "Error", MsgIcon::Stop});
        GuiSession::click(*view, IDC_CLINIC_UPDATE);
        VERIFY_BOXES(s);
        QCOMPARE(s.active<EditClinicInfo1>(), view);
        QCOMPARE(field(*view, IDC_CLINIC_NAME)->text(), kCedar[0]);
        QCOMPARE(stored().m_setStatus, 0);
    }

    void theFirstSaveTurnsTheQuestionIntoTheLetterhead() {
        GuiSession s;
        IssuPrescription* prescription = rx::openPrescription(s);
        rx::fillPrescription(*prescription, "Omar Khalil", "34", "Sinusitis", {"aspirin"});
        s.boxes().expectBox({"Clinic information are not set, print prescription without a "
                             "header, and then fill doctor's name field manually? ",
                             "Warning", MsgIcon::Question, MsgButtons::YesNo},
                            IDNO);
        GuiSession::click(*prescription, IDC_RX_PRINT);
        VERIFY_BOXES(s);
        GuiSession::click(*prescription, IDC_RX_CANCEL);

        EditClinicInfo1* clinic = openClinic(s);
        typeAll(*clinic, kCedar);
        GuiSession::click(*clinic, IDC_CLINIC_UPDATE);

        prescription = rx::openPrescription(s);
        rx::fillPrescription(*prescription, "Omar Khalil", "34", "Sinusitis", {"aspirin"});
        const QString file = s.folder() + "/letterhead.pdf";
        s.boxes().expectPrint(rx::toPdf(file));
        GuiSession::click(*prescription, IDC_RX_PRINT);
        VERIFY_BOXES(s);
        const QStringList printed = rx::lines(rx::pdfText(file));
        QCOMPARE(printed.mid(0, 5), QStringList({"Cedar Family Clinic", "12 Harbour Road",
                                                 "Tripoli, 01300", "Tel: 555-0142",
                                                 "Medical Prescription (Rx)"}));
        QVERIFY(printed.contains("Doctor's name: Dr. Amal Haddad"));
    }
};

QTEST_MAIN(EditClinicInfoTest)
#include "EditClinicInfoTest.moc"

// The record screen's modal dialogs for history entries, medications and tests: what each
// stores, what each refuses, what a failure leaves, and the list reloaded whatever the outcome.

#include "RecordSupport.h"

#include "platform/ComboBox.h"
#include "platform/FieldValidator.h"
#include "res/resource.h"
#include "screens/AddEntryDialog.h"
#include "screens/AddMedicationDialog.h"
#include "screens/AddTestDialog.h"

#include <QDateTimeEdit>
#include <QLineEdit>

using namespace records;

namespace {

const char* const kEntryTypes[] = {"Medical", "Surgical", "Social", "Family", "Allergies"};
const int kEntryRadios[] = {IDC_REC_MEDICAL, IDC_REC_SURGICAL, IDC_REC_SOCIAL, IDC_REC_FAMILY,
                            IDC_REC_ALLERGIES};
const BoxRecord kAddFailed{"Error adding entry.", "Error", MsgIcon::Stop};
const BoxRecord kTestEmpty{"Results and/or Type fields cannot be empty.", "Error",
                           MsgIcon::Information};

// Presses the record screen's "Add" with the history type chosen, and runs act on the dialog
// that comes up; act is to close it, and when it did not (a check failed) it is cancelled.
template <class D> bool addThrough(ViewRec& rec, int radio, std::function<void(D&)> act) {
    GuiSession::click(rec, radio);
    bool closed = true;
    const bool seen = GuiSession::withModal<D>([&] { GuiSession::click(rec, IDC_REC_ADD); },
                                               [&](D& d) {
                                                   act(d);
                                                   closed = !d.isVisible();
                                                   if (!closed)
                                                       d.EndDialog(IDCANCEL);
                                               });
    return seen && closed;
}

QStringList shownColumn(ViewRec& rec, int c) {
    return column(rec.control<ListView>(IDC_REC_HISTORY_LIST), c);
}

std::vector<std::string> medicationNames() {
    MedicationNameList names;
    names.FetchAll();
    return names.m_names;
}

std::vector<std::string> testTypes() {
    TestTypeList types;
    types.FetchAll();
    return types.m_names;
}

} // namespace

class HistoryDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void anEntryIsStoredUnderTheTypeTheRecordScreenChose() {
        GuiSession s;
        const std::string id = addPatient();
        ViewRec* rec = openRecord(s, id);
        for (int i = 0; i < 5; ++i) {
            const QString details = QString("%1 entry").arg(kEntryTypes[i]);
            QVERIFY(addThrough<AddEntryDialog>(*rec, kEntryRadios[i], [&](AddEntryDialog& d) {
                auto* type = d.control<ComboBox>(IDC_ENTRY_TYPE);
                QCOMPARE(d.windowTitle(), QString("Add new history entry"));
                QCOMPARE(type->currentText(), QString(kEntryTypes[i]));
                QVERIFY(!type->isEnabled());
                QCOMPARE(type->entries(), (QStringList{"Medical", "Surgical", "Social", "Family",
                                                       "Allergies", "Medication"}));
                QCOMPARE(d.focusWidget(), d.controlWidget(IDC_ENTRY_DETAILS));
                QCOMPARE(FieldValidator::of(d.control<QLineEdit>(IDC_ENTRY_DETAILS))->maxChars(),
                         255);
                GuiSession::type(d, IDC_ENTRY_DETAILS, details);
                GuiSession::click(d, IDOK);
            }));
            QCOMPARE(shownColumn(*rec, 0), QStringList{details});
        }
        for (int i = 0; i < 5; ++i) {
            HistoryEntryList entries;
            QVERIFY(entries.Fetch(id, kEntryTypes[i]));
            QCOMPARE(entries.m_details,
                     std::vector<std::string>{std::string(kEntryTypes[i]) + " entry"});
        }
        VERIFY_BOXES(s);
    }

    void anEmptyEntryIsRefusedAndCancelStillReloadsTheList() {
        GuiSession s;
        const std::string id = addPatient();
        ViewRec* rec = openRecord(s, id);
        QVERIFY(addThrough<AddEntryDialog>(*rec, IDC_REC_FAMILY, [&](AddEntryDialog& d) {
            s.boxes().expectBox({"Entry cannot be empty.", "Error", MsgIcon::Information});
            GuiSession::click(d, IDOK);
            QVERIFY(d.isVisible());
            // Stored meanwhile by someone else: only a reload shows it.
            HistoryEntryRecord().Add(id, "Family", "diabetes in the family");
            GuiSession::click(d, IDCANCEL);
        }));
        QCOMPARE(shownColumn(*rec, 0), QStringList{"diabetes in the family"});

        // Spaces are not empty; Enter presses "Add".
        QVERIFY(addThrough<AddEntryDialog>(*rec, IDC_REC_FAMILY, [&](AddEntryDialog& d) {
            GuiSession::type(d, IDC_ENTRY_DETAILS, "  ");
            GuiSession::key(d, IDC_ENTRY_DETAILS, Qt::Key_Return);
        }));
        QCOMPARE(shownColumn(*rec, 0), (QStringList{"diabetes in the family", "  "}));
        VERIFY_BOXES(s);
    }

    void aFailedEntryKeepsTheDialogAndItsText() {
        GuiSession s;
        const std::string id = addPatient();
        ViewRec* rec = openRecord(s, id);
        QVERIFY(addThrough<AddEntryDialog>(*rec, IDC_REC_SURGICAL, [&](AddEntryDialog& d) {
            GuiSession::type(d, IDC_ENTRY_DETAILS, "appendectomy");
            {
                TableAway away("history_entries");
                s.boxes().expectBox(kAddFailed);
                GuiSession::click(d, IDOK);
            }
            QVERIFY(d.isVisible());
            QCOMPARE(d.control<QLineEdit>(IDC_ENTRY_DETAILS)->text(), QString("appendectomy"));
            GuiSession::click(d, IDOK);
        }));
        QCOMPARE(shownColumn(*rec, 0), QStringList{"appendectomy"});
        VERIFY_BOXES(s);
    }

    void aMedicationIsStoredInCapitalsWithItsStatusAndNamedOnce() {
        GuiSession s;
        const std::string id = addPatient();
        MedicationNameList().AddName("ZINC 10MG");
        MedicationNameList().AddName("ASPIRIN 100MG");
        ViewRec* rec = openRecord(s, id);
        QVERIFY(addThrough<
                AddMedicationDialog>(*rec, IDC_REC_MEDICATIONS, [&](AddMedicationDialog& d) {
            QCOMPARE(d.windowTitle(), QString("Add Medication"));
            QCOMPARE(d.drugBox()->entries(), (QStringList{"ASPIRIN 100MG", "ZINC 10MG"}));
            auto* status = d.control<ComboBox>(IDC_MED_STATUS);
            QCOMPARE(status->entries(), (QStringList{"New Chronic", "Old Chronic", "Temporary"}));
            QCOMPARE(status->currentText(), QString("New Chronic"));
            QVERIFY(d.drugBox()->currentText().isEmpty());
            QCOMPARE(d.focusWidget(), d.drugBox());
            GuiSession::type(d, IDC_MED_DRUG, "metformin 500mg");
            GuiSession::key(d, IDC_MED_STATUS, Qt::Key_Down);
            GuiSession::key(d, IDC_MED_STATUS, Qt::Key_Down);
            GuiSession::click(d, IDOK);
        }));
        QCOMPARE(shownColumn(*rec, 0), QStringList{"METFORMIN 500MG"});
        QCOMPARE(shownColumn(*rec, 1), QStringList{"Temporary"});

        // A known name is stored for the patient but not named a second time.
        QVERIFY(
            addThrough<AddMedicationDialog>(*rec, IDC_REC_MEDICATIONS, [&](AddMedicationDialog& d) {
                QVERIFY(d.drugBox()->entries().contains("METFORMIN 500MG"));
                GuiSession::type(d, IDC_MED_DRUG, "ZINC 10MG");
                GuiSession::click(d, IDOK);
            }));
        QCOMPARE(shownColumn(*rec, 0), (QStringList{"METFORMIN 500MG", "ZINC 10MG"}));
        QCOMPARE(shownColumn(*rec, 1), (QStringList{"Temporary", "New Chronic"}));
        QCOMPARE(medicationNames(),
                 (std::vector<std::string>{"ZINC 10MG", "ASPIRIN 100MG", "METFORMIN 500MG"}));
        VERIFY_BOXES(s);
    }

    void aMedicationNeedsANameAndAQuoteIsJustACharacter() {
        GuiSession s;
        const std::string id = addPatient();
        ViewRec* rec = openRecord(s, id);
        QVERIFY(
            addThrough<AddMedicationDialog>(*rec, IDC_REC_MEDICATIONS, [&](AddMedicationDialog& d) {
                s.boxes().expectBox(
                    {"Medication field cannot be empty.", "Error", MsgIcon::Information});
                GuiSession::click(d, IDOK);
                QVERIFY(d.isVisible());
                // Typing stops where the field is full; only the list gives longer names.
            GuiSession::type(d, IDC_MED_DRUG, QString(80, u'W'));
            const int typed = int(d.drugBox()->currentText().size());
            QVERIFY(typed > 10 && typed < 80);
            d.drugBox()->lineEdit()->clear();
            GuiSession::type(d, IDC_MED_DRUG, "vitamin \"d\" drops");
                GuiSession::click(d, IDOK);
            }));
        QCOMPARE(shownColumn(*rec, 0), QStringList{"VITAMIN \"D\" DROPS"});
        QCOMPARE(medicationNames(), std::vector<std::string>{"VITAMIN \"D\" DROPS"});
        VERIFY_BOXES(s);
    }

    void withoutTheNameListTheMedicationIsStoredAllTheSame() {
        GuiSession s;
        const std::string id = addPatient();
        ViewRec* rec = openRecord(s, id);
        {
            TableAway away("meds_list");
            s.boxes().expectBox({"Error fetching medications list", "Error", MsgIcon::Stop});
            QVERIFY(addThrough<AddMedicationDialog>(
                *rec, IDC_REC_MEDICATIONS, [&](AddMedicationDialog& d) {
                    QVERIFY(d.drugBox()->entries().isEmpty());
                    QCOMPARE(d.control<ComboBox>(IDC_MED_STATUS)->currentText(),
                             QString("New Chronic"));
                    GuiSession::type(d, IDC_MED_DRUG, "ibuprofen");
                    s.boxes().expectBox(
                        {"Error adding mediction to medications list", "Error", MsgIcon::Stop});
                    GuiSession::click(d, IDOK);
                }));
        }
        QCOMPARE(shownColumn(*rec, 0), QStringList{"IBUPROFEN"});
        QVERIFY(medicationNames().empty());
        VERIFY_BOXES(s);
    }

    void aFailedMedicationKeepsTheDialogAndCancelReloads() {
        GuiSession s;
        const std::string id = addPatient();
        ViewRec* rec = openRecord(s, id);
        QVERIFY(
            addThrough<AddMedicationDialog>(*rec, IDC_REC_MEDICATIONS, [&](AddMedicationDialog& d) {
                GuiSession::type(d, IDC_MED_DRUG, "ibuprofen");
                {
                    TableAway away("patient_medications");
                    s.boxes().expectBox(kAddFailed);
                    GuiSession::click(d, IDOK);
                }
                QVERIFY(d.isVisible());
                QCOMPARE(d.drugBox()->currentText(), QString("IBUPROFEN"));
                PatientMedicationRecord().Add(id, "PARACETAMOL", "Old Chronic");
                GuiSession::click(d, IDCANCEL);
            }));
        QCOMPARE(shownColumn(*rec, 0), QStringList{"PARACETAMOL"});
        VERIFY_BOXES(s);
    }

    void aNewTestTypeIsStoredInCapitalsAndOfferedNextTime() {
        GuiSession s;
        const std::string id = addPatient();
        TestTypeList().AddName("LIPID PANEL");
        ViewRec* rec = openRecord(s, id);
        QDateTime picked;
        QVERIFY(addThrough<AddTestDialog>(*rec, IDC_REC_TESTS, [&](AddTestDialog& d) {
            QCOMPARE(d.windowTitle(), QString("Add Test"));
            QCOMPARE(d.focusWidget(), d.controlWidget(IDC_TEST_DATE));
            auto* date = d.control<QDateTimeEdit>(IDC_TEST_DATE);
            QCOMPARE(date->date(), QDate::currentDate());
            QVERIFY(d.typeBox()->currentText().isEmpty());
            QCOMPARE(d.typeBox()->entries(), QStringList{"LIPID PANEL"});
            GuiSession::key(d, IDC_TEST_DATE, Qt::Key_Down);
            picked = date->dateTime();
            GuiSession::type(d, IDC_TEST_TYPE, "hba1c");
            GuiSession::type(d, IDC_TEST_RESULTS, "6.1 %");
            GuiSession::click(d, IDOK);
        }));
        QCOMPARE(shownColumn(*rec, 0), QStringList{picked.toString("dd/MM/yy")});
        QCOMPARE(shownColumn(*rec, 1), QStringList{"HBA1C"});
        QCOMPARE(shownColumn(*rec, 2), QStringList{"6.1 %"});
        TestList tests;
        QVERIFY(tests.Fetch(id));
        QCOMPARE(testTypes(), (std::vector<std::string>{"LIPID PANEL", "HBA1C"}));

        // Offered the next time, completed from a lower-case start; known, so not added again.
        QVERIFY(addThrough<AddTestDialog>(*rec, IDC_REC_TESTS, [&](AddTestDialog& d) {
            QCOMPARE(d.typeBox()->entries(), (QStringList{"HBA1C", "LIPID PANEL"}));
            GuiSession::type(d, IDC_TEST_TYPE, "h");
            QCOMPARE(d.typeBox()->currentText(), QString("HBA1C"));
            QCOMPARE(d.typeBox()->lineEdit()->selectedText(), QString("BA1C"));
            GuiSession::type(d, IDC_TEST_RESULTS, "5.9 %");
            GuiSession::click(d, IDOK);
        }));
        QCOMPARE(shownColumn(*rec, 1), (QStringList{"HBA1C", "HBA1C"}));
        QCOMPARE(testTypes(), (std::vector<std::string>{"LIPID PANEL", "HBA1C"}));
        VERIFY_BOXES(s);
    }

    void aTypeJoinsTheListBeforeTheFieldsAreCheckedButAnEmptyOneNever() {
        GuiSession s;
        const std::string id = addPatient();
        ViewRec* rec = openRecord(s, id);
        QVERIFY(addThrough<AddTestDialog>(*rec, IDC_REC_TESTS, [&](AddTestDialog& d) {
            GuiSession::type(d, IDC_TEST_TYPE, "tsh");
            s.boxes().expectBox(kTestEmpty);
            GuiSession::click(d, IDOK);
            QVERIFY(d.isVisible());
            QCOMPARE(testTypes(), std::vector<std::string>{"TSH"});

            d.typeBox()->lineEdit()->clear();
            GuiSession::type(d, IDC_TEST_RESULTS, "normal");
            s.boxes().expectBox(kTestEmpty);
            GuiSession::click(d, IDOK);
            QCOMPARE(testTypes(), std::vector<std::string>{"TSH"});
            GuiSession::click(d, IDCANCEL);
        }));
        QCOMPARE(shownColumn(*rec, 0), QStringList{"No Tests"});
        TestList tests;
        QVERIFY(tests.Fetch(id));
        QVERIFY(tests.m_ids.empty());
        VERIFY_BOXES(s);
    }

    void withoutTheTypeListTheTestIsStoredAllTheSame() {
        GuiSession s;
        const std::string id = addPatient();
        ViewRec* rec = openRecord(s, id);
        {
            TableAway away("tests_list");
            s.boxes().expectBox({"Error fetching tests list", "Error", MsgIcon::Stop});
            QVERIFY(addThrough<AddTestDialog>(*rec, IDC_REC_TESTS, [&](AddTestDialog& d) {
                QVERIFY(d.typeBox()->entries().isEmpty());
                GuiSession::type(d, IDC_TEST_TYPE, "ecg");
                GuiSession::type(d, IDC_TEST_RESULTS, "sinus rhythm");
                s.boxes().expectBox({"Error adding test to tests list", "Error", MsgIcon::Stop});
                GuiSession::click(d, IDOK);
            }));
        }
        QCOMPARE(shownColumn(*rec, 1), QStringList{"ECG"});
        QVERIFY(testTypes().empty());
        VERIFY_BOXES(s);
    }

    void cancelAfterAFailedTestStoresNothingAndReloads() {
        GuiSession s;
        const std::string id = addPatient();
        ViewRec* rec = openRecord(s, id);
        QVERIFY(addThrough<AddTestDialog>(*rec, IDC_REC_TESTS, [&](AddTestDialog& d) {
            GuiSession::type(d, IDC_TEST_TYPE, "cbc");
            GuiSession::type(d, IDC_TEST_RESULTS, "normal");
            {
                TableAway away("tests");
                s.boxes().expectBox(kAddFailed);
                GuiSession::click(d, IDOK);
            }
            QVERIFY(d.isVisible());
            QCOMPARE(d.control<QLineEdit>(IDC_TEST_RESULTS)->text(), QString("normal"));
            TestRecord().Add(id, DateTime::fromCivil(2024, 2, 29, 23, 59), "ESR", "12");
            GuiSession::click(d, IDCANCEL);
        }));
        QCOMPARE(shownColumn(*rec, 0), QStringList{"29/02/24"});
        QCOMPARE(shownColumn(*rec, 1), QStringList{"ESR"});
        // The type had joined the list before the test failed.
        QCOMPARE(testTypes(), std::vector<std::string>{"CBC"});
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(HistoryDialogsTest)
#include "HistoryDialogsTest.moc"

// The prescription screen: its boxes, the age filled from the records, the drug lines and
// the checks made before printing.

#include "PrescriptionSupport.h"

#include "app/MainMenu.h"
#include "platform/MultiLineEdit.h"
#include "store/MedicationNameList.h"
#include "store/PatientRecord.h"

#include <QApplication>
#include <QDate>
#include <QListWidget>

namespace {

const BoxRecord kAllRequired{"All fields are required", "Error", MsgIcon::Information};
const BoxRecord kNoHeader{"Clinic information are not set, print prescription without a "
                          "header, and then fill doctor's name field manually? ",
                          "Warning", MsgIcon::Question, MsgButtons::YesNo};

std::string addPatient(const std::string& first, const std::string& last, QDate born) {
    PatientRecord record;
    if (!record.Add(first, last, DateTime::fromCivil(born.year(), born.month(), born.day()), 0,
                    "", ""))
        qFatal("the patient could not be added");
    return record.m_id;
}

QLineEdit* nameEdit(IssuPrescription& view) {
    return view.control<ComboBox>(IDC_RX_PATIENT_NAME)->lineEdit();
}

QString ageText(IssuPrescription& view) {
    return view.control<QLineEdit>(IDC_RX_AGE)->text();
}

QString ageUnitText(IssuPrescription& view) {
    return view.control<ComboBox>(IDC_RX_AGE_UNIT)->currentText();
}

QStringList listed(IssuPrescription& view) {
    QStringList lines;
    auto* list = view.control<QListWidget>(IDC_RX_PRESCRIPTIONS);
    for (int row = 0; row < list->count(); ++row)
        lines << list->item(row)->text();
    return lines;
}

void pickLine(IssuPrescription& view, int row) {
    auto* list = view.control<QListWidget>(IDC_RX_PRESCRIPTIONS);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

// Moves from the name box into the age field with the Tab key, as a user does.
void tabIntoAge(IssuPrescription& view) {
    QTest::keyClick(nameEdit(view), Qt::Key_Tab);
}

void tabBackToName(IssuPrescription& view) {
    QTest::keyClick(view.control<QLineEdit>(IDC_RX_AGE), Qt::Key_Backtab, Qt::ShiftModifier);
}

std::vector<std::string> rememberedDrugs() {
    MedicationNameList names;
    if (!names.FetchAll())
        qFatal("meds_list could not be read");
    return names.m_names;
}

} // namespace

class IssuPrescriptionTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithItsBoxesFilled() {
        GuiSession s;
        addPatient("Zeina", "Saad", QDate(1990, 5, 1));
        addPatient("Adam", "Nour", QDate(1985, 1, 9));
        QVERIFY(MedicationNameList().AddName("paracetamol 1g"));
        QVERIFY(MedicationNameList().AddName("Amoxicillin 500mg"));
        IssuPrescription* view = rx::openPrescription(s);
        QVERIFY(view);
        QCOMPARE(s.activeTitle(), QString("Issue prescription"));

        // Patients stay in the order they were stored: positions index their numbers.
        QCOMPARE(view->control<ComboBox>(IDC_RX_PATIENT_NAME)->entries(),
                 QStringList({"Zeina Saad", "Adam Nour"}));
        QCOMPARE(view->patientIds.size(), size_t(2));
        QCOMPARE(view->control<ComboBox>(IDC_RX_AGE_UNIT)->entries(),
                 QStringList({"Day(s)", "Month(s)", "Year(s)"}));
        QCOMPARE(ageUnitText(*view), QString("Year(s)"));
        QCOMPARE(view->control<ComboBox>(IDC_RX_DRUG)->entries(),
                 QStringList({"AMOXICILLIN 500MG", "PARACETAMOL 1G"}));

        // The drug box completes in capitals and highlights what it added.
        GuiSession::type(*view, IDC_RX_DRUG, "para");
        QLineEdit* drug = view->control<ComboBox>(IDC_RX_DRUG)->lineEdit();
        QCOMPARE(drug->text(), QString("PARACETAMOL 1G"));
        QCOMPARE(drug->selectedText(), QString("CETAMOL 1G"));
        QVERIFY(view->control<QListWidget>(IDC_RX_PRESCRIPTIONS)->count() == 0);
        VERIFY_BOXES(s);
    }

    void listsThatCannotBeReadAreEachReported() {
        GuiSession s;
        QVERIFY(rx::runSql("DROP TABLE patient_info; DROP TABLE meds_list;"));
        s.boxes().expectBox({"Error fetching patients list", "Error", MsgIcon::Stop});
        s.boxes().expectBox({"Error fetching medications list", "Error", MsgIcon::Stop});
        IssuPrescription* view = rx::openPrescription(s);
        QVERIFY(view);
        QVERIFY(view->control<ComboBox>(IDC_RX_PATIENT_NAME)->entries().isEmpty());
        QCOMPARE(ageUnitText(*view), QString("Year(s)"));
        GuiSession::type(*view, IDC_RX_PATIENT_NAME, "Walk In");
        QCOMPARE(nameEdit(*view)->text(), QString("Walk In"));
        VERIFY_BOXES(s);
    }

    void printingNeedsNameAgeDiagnosisAndALine() {
        GuiSession s;
        IssuPrescription* view = rx::openPrescription(s);
        s.boxes().expectBox(kAllRequired);
        GuiSession::click(*view, IDC_RX_PRINT);
        GuiSession::type(*view, IDC_RX_PATIENT_NAME, "Omar Khalil");
        s.boxes().expectBox(kAllRequired);
        GuiSession::click(*view, IDC_RX_PRINT);
        GuiSession::type(*view, IDC_RX_AGE, "34");
        s.boxes().expectBox(kAllRequired);
        GuiSession::click(*view, IDC_RX_PRINT);
        GuiSession::type(*view, IDC_RX_DIAGNOSIS, "Sinusitis");
        // A drug typed but never added is no line.
        GuiSession::type(*view, IDC_RX_DRUG, "aspirin");
        s.boxes().expectBox(kAllRequired);
        GuiSession::click(*view, IDC_RX_PRINT);
        VERIFY_BOXES(s);

        GuiSession::click(*view, IDC_RX_ADD_TO_LIST);
        s.boxes().expectBox(kNoHeader, IDNO);
        GuiSession::click(*view, IDC_RX_PRINT);
        VERIFY_BOXES(s);

        // The last line removed, the list is empty again.
        pickLine(*view, 0);
        GuiSession::click(*view, IDC_RX_REMOVE_FROM_LIST);
        s.boxes().expectBox(kAllRequired);
        GuiSession::click(*view, IDC_RX_PRINT);
        VERIFY_BOXES(s);
    }

    void linesAreAddedInCapitalsAndRemovedBySelection() {
        GuiSession s;
        IssuPrescription* view = rx::openPrescription(s);
        s.boxes().expectBox({"Medication name cannot be empty", "Error", MsgIcon::Information});
        GuiSession::click(*view, IDC_RX_ADD_TO_LIST);
        VERIFY_BOXES(s);
        QVERIFY(listed(*view).isEmpty());

        for (const char* drug : {"amoxicillin 500mg", "ibuprofen 400mg", "amoxicillin 500mg"}) {
            GuiSession::type(*view, IDC_RX_DRUG, drug);
            GuiSession::click(*view, IDC_RX_ADD_TO_LIST);
            QCOMPARE(view->control<ComboBox>(IDC_RX_DRUG)->lineEdit()->text(), QString());
            QCOMPARE(QApplication::focusWidget(), view->controlWidget(IDC_RX_DRUG));
        }
        QCOMPARE(listed(*view),
                 QStringList({"AMOXICILLIN 500MG", "IBUPROFEN 400MG", "AMOXICILLIN 500MG"}));

        const BoxRecord noSelection{"Please select an item to remove", "Error",
                                    MsgIcon::Information};
        s.boxes().expectBox(noSelection);
        GuiSession::click(*view, IDC_RX_REMOVE_FROM_LIST);
        VERIFY_BOXES(s);
        QCOMPARE(listed(*view).size(), 3);

        pickLine(*view, 1);
        GuiSession::click(*view, IDC_RX_REMOVE_FROM_LIST);
        QCOMPARE(listed(*view), QStringList({"AMOXICILLIN 500MG", "AMOXICILLIN 500MG"}));
        // Removing leaves nothing selected, so another press removes nothing unasked.
        s.boxes().expectBox(noSelection);
        GuiSession::click(*view, IDC_RX_REMOVE_FROM_LIST);
        VERIFY_BOXES(s);
        QCOMPARE(listed(*view).size(), 2);
    }

    void aDrugIsRememberedOnceHoweverOftenItIsAdded() {
        GuiSession s;
        IssuPrescription* view = rx::openPrescription(s);
        for (int i = 0; i < 3; ++i) {
            GuiSession::type(*view, IDC_RX_DRUG, "Aspirin 100mg");
            GuiSession::click(*view, IDC_RX_ADD_TO_LIST);
        }
        QCOMPARE(listed(*view).size(), 3);
        QCOMPARE(rememberedDrugs(), std::vector<std::string>{"ASPIRIN 100MG"});
        // The open screen's box is left as it was; the next opening offers the drug.
        QVERIFY(view->control<ComboBox>(IDC_RX_DRUG)->entries().isEmpty());
        GuiSession::click(*view, IDC_RX_CANCEL);
        QVERIFY(s.active<MainMenu>());
        view = rx::openPrescription(s);
        QCOMPARE(view->control<ComboBox>(IDC_RX_DRUG)->entries(), QStringList({"ASPIRIN 100MG"}));
        VERIFY_BOXES(s);
    }

    void aDrugThatCannotBeRememberedIsStillListed() {
        GuiSession s;
        QVERIFY(TestRecords::current().refuse("INSERT", "meds_list"));
        IssuPrescription* view = rx::openPrescription(s);
        GuiSession::type(*view, IDC_RX_DRUG, "aspirin");
        s.boxes().expectBox(
            {"Error adding medication to medications list", "Error", MsgIcon::Stop});
        GuiSession::click(*view, IDC_RX_ADD_TO_LIST);
        VERIFY_BOXES(s);
        QCOMPARE(listed(*view), QStringList({"ASPIRIN"}));
        QCOMPARE(view->control<ComboBox>(IDC_RX_DRUG)->lineEdit()->text(), QString());
    }

    void aKnownPatientsAgeComesFromTheDateOfBirth() {
        GuiSession s;
        addPatient("Omar", "Khalil", QDate::currentDate().addYears(-34).addDays(-100));
        addPatient("Baby", "Khalil", QDate::currentDate().addDays(-10));
        IssuPrescription* view = rx::openPrescription(s);

        GuiSession::type(*view, IDC_RX_PATIENT_NAME, "om");
        QCOMPARE(nameEdit(*view)->text(), QString("Omar Khalil"));
        QCOMPARE(view->selectedIndex, 0);
        tabIntoAge(*view);
        QCOMPARE(ageText(*view), QString("34"));
        QCOMPARE(ageUnitText(*view), QString("Year(s)"));

        // The same patient's age, once filled, is the user's to change.
        QTest::keyClick(view->control<QLineEdit>(IDC_RX_AGE), Qt::Key_Backspace);
        QTest::keyClicks(view->control<QLineEdit>(IDC_RX_AGE), "7");
        tabBackToName(*view);
        tabIntoAge(*view);
        QCOMPARE(ageText(*view), QString("7"));

        // Choosing from the drop-down list counts as choosing too.
        auto* names = view->control<ComboBox>(IDC_RX_PATIENT_NAME);
        names->setFocus();
        names->showPopup();
        QTest::keyClick(names->view(), Qt::Key_Down);
        QTest::keyClick(names->view(), Qt::Key_Return);
        QCOMPARE(nameEdit(*view)->text(), QString("Baby Khalil"));
        QCOMPARE(view->selectedIndex, 1);
        tabIntoAge(*view);
        QCOMPARE(ageText(*view), QString("10"));
        QCOMPARE(ageUnitText(*view), QString("Day(s)"));
        VERIFY_BOXES(s);
    }

    void aTypedAgeAndUnitStayWhenTheFieldIsEnteredAgain() {
        GuiSession s;
        addPatient("Omar", "Khalil", QDate(1990, 1, 1));
        IssuPrescription* view = rx::openPrescription(s);
        GuiSession::type(*view, IDC_RX_PATIENT_NAME, "Walk-in Visitor");
        QCOMPARE(view->selectedIndex, -1);
        tabIntoAge(*view);
        QCOMPARE(ageText(*view), QString());
        QTest::keyClicks(view->control<QLineEdit>(IDC_RX_AGE), "4x0");
        QCOMPARE(ageText(*view), QString("40")); // digits only
        QTest::keyClick(view->control<QLineEdit>(IDC_RX_AGE), Qt::Key_Tab);
        QTest::keyClick(view->control<ComboBox>(IDC_RX_AGE_UNIT), Qt::Key_Up);
        QCOMPARE(ageUnitText(*view), QString("Month(s)"));
        tabBackToName(*view); // from the unit box to the age field
        tabBackToName(*view);
        tabIntoAge(*view);
        QCOMPARE(ageText(*view), QString("40"));
        QCOMPARE(ageUnitText(*view), QString("Month(s)"));
        VERIFY_BOXES(s);
    }

    void aResetForgetsThePatientToo() {
        GuiSession s;
        addPatient("Omar", "Khalil", QDate::currentDate().addYears(-34).addDays(-100));
        QVERIFY(MedicationNameList().AddName("ASPIRIN"));
        IssuPrescription* view = rx::openPrescription(s);
        rx::fillPrescription(*view, "Om", "", "Sinusitis", {"aspirin", "ibuprofen"});
        QCOMPARE(ageText(*view), QString("34"));

        GuiSession::click(*view, IDC_RX_RESET);
        QCOMPARE(nameEdit(*view)->text(), QString());
        QCOMPARE(ageText(*view), QString());
        QCOMPARE(ageUnitText(*view), QString("Year(s)"));
        QCOMPARE(view->control<MultiLineEdit>(IDC_RX_DIAGNOSIS)->toPlainText(), QString());
        QVERIFY(listed(*view).isEmpty());
        QCOMPARE(QApplication::focusWidget(), view->controlWidget(IDC_RX_PATIENT_NAME));
        QCOMPARE(view->selectedIndex, -1);
        // The boxes keep their entries.
        QCOMPARE(view->control<ComboBox>(IDC_RX_PATIENT_NAME)->entries().size(), 1);
        QCOMPARE(view->control<ComboBox>(IDC_RX_DRUG)->entries(), QStringList({"ASPIRIN"}));

        tabIntoAge(*view);
        QCOMPARE(ageText(*view), QString());
        VERIFY_BOXES(s);
    }

    void aNameChangedAfterChoosingGetsNoAge() {
        GuiSession s;
        addPatient("Omar", "Khalil", QDate::currentDate().addYears(-34).addDays(-100));
        IssuPrescription* view = rx::openPrescription(s);
        GuiSession::type(*view, IDC_RX_PATIENT_NAME, "Om");
        QCOMPARE(view->selectedIndex, 0);

        // Shortened from the end, the text still begins the patient's name.
        QLineEdit* name = nameEdit(*view);
        QTest::keyClick(name, Qt::Key_End);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(name, Qt::Key_Backspace);
        QCOMPARE(name->text(), QString("Omar K"));
        tabIntoAge(*view);
        QCOMPARE(ageText(*view), QString("34"));

        // Cut from the front it names somebody else, though nothing was chosen anew.
        tabBackToName(*view);
        QTest::keyClick(name, Qt::Key_Home);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(name, Qt::Key_Delete);
        QCOMPARE(name->text(), QString("K"));
        QCOMPARE(view->selectedIndex, 0);
        tabIntoAge(*view);
        QCOMPARE(ageText(*view), QString());
        QCOMPARE(ageUnitText(*view), QString("Year(s)"));
        VERIFY_BOXES(s);
    }

    void aTypedAgeSurvivesTheWindowComingBack() {
        GuiSession s;
        IssuPrescription* view = rx::openPrescription(s);
        GuiSession::type(*view, IDC_RX_PATIENT_NAME, "Walk In");
        tabIntoAge(*view);
        QTest::keyClicks(view->control<QLineEdit>(IDC_RX_AGE), "52");
        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        s.frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s.frame()));
        QCOMPARE(QApplication::focusWidget(), view->controlWidget(IDC_RX_AGE));
        QCOMPARE(ageText(*view), QString("52"));
        VERIFY_BOXES(s);
    }

    void anAgeThatCannotBeFetchedIsReported() {
        GuiSession s;
        addPatient("Omar", "Khalil", QDate::currentDate().addYears(-34).addDays(-100));
        IssuPrescription* view = rx::openPrescription(s);
        GuiSession::type(*view, IDC_RX_PATIENT_NAME, "Om");
        tabIntoAge(*view);
        QCOMPARE(ageText(*view), QString("34"));
        QVERIFY(rx::runSql("DELETE FROM patient_info"));
        view->control<QLineEdit>(IDC_RX_AGE)->selectAll();
        QTest::keyClick(view->control<QLineEdit>(IDC_RX_AGE), Qt::Key_Delete);
        tabBackToName(*view);
        s.boxes().expectBox({"Error fetching patient age", "Error", MsgIcon::Stop});
        tabIntoAge(*view);
        VERIFY_BOXES(s);
        QCOMPARE(ageText(*view), QString());
    }

    void cancelGoesBackToTheMainMenu() {
        GuiSession s;
        IssuPrescription* view = rx::openPrescription(s);
        rx::fillPrescription(*view, "Walk In", "3", "Cold", {"zinc"});
        GuiSession::click(*view, IDC_RX_CANCEL);
        QVERIFY(s.active<MainMenu>());
        QCOMPARE(GuiSession::openCount(SCREEN_ISSUE_PRESCRIPTION), 0);
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(IssuPrescriptionTest)
#include "IssuPrescriptionTest.moc"

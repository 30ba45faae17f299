// Locating a patient by number: the required field, a miss, a match, what the field accepts.

#include "GuiSession.h"

#include "app/MainMenu.h"
#include "app/Screens.h"
#include "res/resource.h"
#include "screens/FindID.h"
#include "screens/ViewRec.h"
#include "store/store.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>

namespace {

std::string addPatient(const std::string& first, const std::string& last) {
    PatientRecord patient;
    if (!patient.Add(first, last, DateTime::fromCivil(1975, 1, 9), 0, "", ""))
        qFatal("cannot add a patient");
    return patient.m_id;
}

// Opens the screen from the main menu, as the user does.
FindID* openFindID(GuiSession& s) {
    GuiSession::click(*s.activeView(), IDC_MAIN_FIND_ID);
    return s.active<FindID>();
}

QLineEdit* idField(FindID& find) {
    return find.control<QLineEdit>(IDC_FINDID_PATIENT_ID);
}

// The records file replaced by one that is no database.
void damageFile() {
    QFile records("clinic_db.mdb");
    if (!records.remove() || !records.open(QIODevice::WriteOnly) ||
        records.write(QByteArray(4096, 'x')) != 4096)
        qFatal("cannot damage the records file");
}

const BoxRecord kNoPatient{"No patient with the given ID.", "Information", MsgIcon::Information,
                           MsgButtons::Ok};

} // namespace

class FindIDTest : public QObject {
    Q_OBJECT

private slots:
    void anEmptyFieldIsRequired() {
        GuiSession s;
        FindID* find = openFindID(s);
        QVERIFY(find);
        QCOMPARE(s.activeTitle(), QString("Locate patient by ID"));
        QCOMPARE(find->controlWidget(IDC_FINDID_PATIENT_ID)->accessibleName(),
                 QString("Patient ID #: *"));
        s.boxes().expectBox(
            {"ID field is required.", "Error", MsgIcon::Information, MsgButtons::Ok});
        GuiSession::click(*find, IDC_FINDID_LOCATE);
        QCOMPARE(s.active<FindID>(), find);
        VERIFY_BOXES(s);
    }

    void aMissSelectsTheWholeTextForRetyping() {
        GuiSession s;
        addPatient("Lina", "Farah");
        FindID* find = openFindID(s);
        GuiSession::type(*find, IDC_FINDID_PATIENT_ID, "42");
        idField(*find)->setCursorPosition(1);
        s.boxes().expectBox(kNoPatient);
        // Enter presses "Locate", the default button.
        GuiSession::key(*find, IDC_FINDID_PATIENT_ID, Qt::Key_Return);
        QCOMPARE(s.active<FindID>(), find);
        QCOMPARE(QApplication::focusWidget(), idField(*find));
        QCOMPARE(idField(*find)->selectedText(), QString("42"));
        // The next digits replace the number that missed.
        GuiSession::type(*find, IDC_FINDID_PATIENT_ID, "7");
        QCOMPARE(idField(*find)->text(), QString("7"));
        VERIFY_BOXES(s);
    }

    void aNumberBeyondAnyRecordIsAMissNotAFault() {
        GuiSession s;
        addPatient("Lina", "Farah");
        FindID* find = openFindID(s);
        GuiSession::type(*find, IDC_FINDID_PATIENT_ID, QString(64, u'9'));
        s.boxes().expectBox(kNoPatient);
        GuiSession::click(*find, IDC_FINDID_LOCATE);
        QCOMPARE(s.active<FindID>(), find);
        VERIFY_BOXES(s);
    }

    // A failing database must not pass for a patient who is not registered.
    void aDatabaseFailureIsAnErrorNotAMiss_data() {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("missing") << false;
        QTest::newRow("damaged") << true;
    }
    void aDatabaseFailureIsAnErrorNotAMiss() {
        QFETCH(bool, damaged);
        GuiSession s;
        const std::string id = addPatient("Lina", "Farah");
        FindID* find = openFindID(s);
        if (!damaged)
            TestRecords::current().takeAway();
        else if (TestRecords::onServer())
            QVERIFY(TestRecords::current().run("DROP TABLE patient_info"));
        else
            damageFile();
        GuiSession::type(*find, IDC_FINDID_PATIENT_ID, QString::fromStdString(id));
        s.boxes().expectBox(
            {"Error fetching patient information", "Error", MsgIcon::Stop, MsgButtons::Ok});
        GuiSession::click(*find, IDC_FINDID_LOCATE);
        QCOMPARE(s.active<FindID>(), find);
        VERIFY_BOXES(s);
    }

    void aMatchOpensTheRecordWithTheNumberAsTyped() {
        GuiSession s;
        addPatient("Lina", "Farah");
        const std::string second = addPatient("Sami", "Nour");
        FindID* find = openFindID(s);
        GuiSession::type(*find, IDC_FINDID_PATIENT_ID, QString::fromStdString("00" + second));
        GuiSession::click(*find, IDC_FINDID_LOCATE);
        ViewRec* record = s.active<ViewRec>();
        QVERIFY(record);
        QCOMPARE(record->patientId, "00" + second);
        QCOMPARE(record->lastName, std::string("Nour"));
        QCOMPARE(GuiSession::openCount(SCREEN_FIND_ID), 0);
        VERIFY_BOXES(s);
    }

    void theFieldTakesDigitsOnlyAndAtMostSixtyFour() {
        GuiSession s;
        FindID* find = openFindID(s);
        GuiSession::type(*find, IDC_FINDID_PATIENT_ID, "1a2 -3.");
        QCOMPARE(idField(*find)->text(), QString("123"));
        GuiSession::type(*find, IDC_FINDID_PATIENT_ID, QString(70, u'5'));
        QCOMPARE(idField(*find)->text().size(), 64);
        VERIFY_BOXES(s);
    }

    void cancelGoesBackToTheMainMenu() {
        GuiSession s;
        FindID* find = openFindID(s);
        GuiSession::type(*find, IDC_FINDID_PATIENT_ID, "1");
        GuiSession::click(*find, IDC_FINDID_CANCEL);
        QVERIFY(s.active<MainMenu>());
        QCOMPARE(GuiSession::openCount(SCREEN_FIND_ID), 0);
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(FindIDTest)
#include "FindIDTest.moc"

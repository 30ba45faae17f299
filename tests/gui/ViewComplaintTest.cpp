// The visit screen: a new visit, a stored one viewed, changed and deleted, the complaint
// box's completion, and every way back to the patient's record.

#include "GuiSession.h"

#include "app/Screens.h"
#include "platform/ComboBox.h"
#include "platform/DataExchange.h"
#include "platform/FieldValidator.h"
#include "platform/ListView.h"
#include "platform/MultiLineEdit.h"
#include "res/resource.h"
#include "screens/ViewComplaint.h"
#include "screens/ViewRec.h"
#include "store/store.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const BoxRecord kRequired{"Please complete all the required fileds (marked with * ).", "Error",
                          MsgIcon::Information, MsgButtons::Ok};
const BoxRecord kAskDelete{"Delete complaint?", "Confirmation", MsgIcon::Question,
                           MsgButtons::YesNo};

// The finding fields in column order, as the user sees them.
const int kFindingIds[] = {
    IDC_VISIT_TEMPERATURE,   IDC_VISIT_BLOOD_PRESSURE,  IDC_VISIT_RESPIRATORY_RATE,
    IDC_VISIT_PULSE,         IDC_VISIT_HEIGHT,          IDC_VISIT_WEIGHT,
    IDC_VISIT_EYES,          IDC_VISIT_HEENT,           IDC_VISIT_RESPIRATORY,
    IDC_VISIT_CARDIOVASCULAR, IDC_VISIT_GASTROINTESTINAL, IDC_VISIT_GENITOURINARY,
    IDC_VISIT_ENDOCRINE,     IDC_VISIT_MUSCULOSKELETAL, IDC_VISIT_HEMA_LYMPH,
    IDC_VISIT_DERMATOLOGY,   IDC_VISIT_PSYCHO_NEURO,    IDC_VISIT_OTHER,
    IDC_VISIT_DIAGNOSIS,     IDC_VISIT_TREATMENT,
};

const DateTime kVisitDay = DateTime::fromCivil(2025, 3, 4, 10, 30);

std::string addPatient(const std::string& first = "Mona", const std::string& last = "Haddad") {
    PatientRecord patient;
    if (!patient.Add(first, last, DateTime::fromCivil(1980, 5, 17), 1, "", ""))
        qFatal("cannot add a patient");
    return patient.m_id;
}

std::string addVisit(const std::string& patientId, const std::string& complaint,
                     const std::string& diagnosis = "") {
    std::vector<std::string> texts(ComplaintRecord::textCount);
    texts.front() = complaint;
    texts[19] = diagnosis;
    ComplaintRecord visit;
    if (!visit.Add(patientId, kVisitDay, texts))
        qFatal("cannot add a visit");
    return visit.m_id;
}

// The visit as stored: [0] number, [1] patient, [2] complaint, [3..22] the findings.
std::vector<std::string> storedVisit(const std::string& visitId, DateTime* date = nullptr) {
    ComplaintList visit;
    if (!visit.FetchDetails(visitId))
        return {};
    if (date)
        *date = visit.m_date;
    return visit.m_values;
}

size_t visitCount(const std::string& patientId) {
    ComplaintList visits;
    visits.Fetch(patientId);
    return visits.m_ids.size();
}

// What the record screen's "Add" with "Visits" selected does.
ViewComplaint* openNewVisit(const std::string& patientId) {
    CMainFrame::OpenViewComplaint();
    auto* visit = CMainFrame::ScreenView<ViewComplaint>(SCREEN_VIEW_COMPLAINT);
    visit->patientId = patientId;
    visit->enableControl(IDC_VISIT_ADD, true);
    visit->newVisit = true;
    visit->LoadVisit();
    CMainFrame::CloseViewRec();
    CMainFrame::CloseMainMenu();
    GuiSession::settle();
    return visit;
}

// What the record screen's "View/Edit" does with a visit row; beforeLoad runs just before
// the screen loads.
ViewComplaint* openStoredVisit(const std::string& patientId, const std::string& visitId,
                               const std::function<void()>& beforeLoad = {}) {
    ComplaintList details;
    if (!details.FetchDetails(visitId))
        qFatal("no such visit");
    CMainFrame::OpenViewComplaint();
    auto* visit = CMainFrame::ScreenView<ViewComplaint>(SCREEN_VIEW_COMPLAINT);
    visit->patientId = patientId;
    visit->visitId = visitId;
    visit->visitDate = details.m_date;
    visit->texts = lastVisitTexts(details.m_values);
    visit->newVisit = false;
    visit->enableControl(IDC_VISIT_DELETE, true);
    visit->setControlText(IDC_VISIT_CANCEL, "Close");
    if (beforeLoad)
        beforeLoad();
    visit->LoadVisit();
    CMainFrame::CloseViewRec();
    CMainFrame::CloseMainMenu();
    GuiSession::settle();
    return visit;
}

bool enabled(FormBase& form, int id) {
    return form.controlWidget(id)->isEnabled();
}

QLineEdit* complaintField(FormBase& form) {
    return form.control<ComboBox>(IDC_VISIT_COMPLAINT)->lineEdit();
}

// The complaints the record screen lists for its patient, or its one placeholder row.
QStringList listedComplaints(ViewRec* record) {
    QStringList complaints;
    auto* list = record->control<ListView>(IDC_REC_HISTORY_LIST);
    const int column = list->columnCountNow() > 1 ? 1 : 0;
    for (int row = 0; row < list->rowCountNow(); ++row)
        complaints << list->cellText(row, column);
    return complaints;
}

void verifyBackOnRecordOf(GuiSession& s, const std::string& patientId) {
    ViewRec* record = s.active<ViewRec>();
    QVERIFY(record);
    QCOMPARE(record->patientId, patientId);
    QCOMPARE(GuiSession::openCount(SCREEN_VIEW_COMPLAINT), 0);
}

} // namespace

class ViewComplaintTest : public QObject {
    Q_OBJECT

private slots:
    void aVisitWithOnlyAComplaintIsStoredWithThePickersDate() {
        GuiSession s;
        const std::string patient = addPatient();
        ViewComplaint* visit = openNewVisit(patient);
        QCOMPARE(s.activeTitle(), QString("Patient visit"));
        QVERIFY(enabled(*visit, IDC_VISIT_ADD));
        QVERIFY(!enabled(*visit, IDC_VISIT_UPDATE));
        QVERIFY(!enabled(*visit, IDC_VISIT_DELETE));
        QCOMPARE(visit->control<QPushButton>(IDC_VISIT_CANCEL)->text(), QString("Cancel"));
        QCOMPARE(visit->control<QLineEdit>(IDC_VISIT_PATIENT_NUMBER)->text(),
                 QString::fromStdString(patient));

        // The user moves the day on by one and types the complaint.
        auto* picker = visit->control<QDateTimeEdit>(IDC_VISIT_DATE);
        const QDateTime shownAtFirst = picker->dateTime();
        GuiSession::key(*visit, IDC_VISIT_DATE, Qt::Key_Up);
        QCOMPARE(picker->date(), shownAtFirst.date().addDays(1));
        const DateTime picked = DataExchange::fromQDateTime(picker->dateTime());
        GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "Headache");
        // A new visit never enables "Update", whatever changes.
        QVERIFY(!enabled(*visit, IDC_VISIT_UPDATE));
        GuiSession::click(*visit, IDC_VISIT_ADD);

        verifyBackOnRecordOf(s, patient);
        ComplaintList visits;
        QVERIFY(visits.Fetch(patient));
        QCOMPARE(visits.m_ids.size(), size_t(1));
        DateTime stored;
        const std::vector<std::string> values = storedVisit(visits.m_ids[0], &stored);
        QCOMPARE(values[2], std::string("Headache"));
        for (size_t i = 3; i < values.size(); ++i)
            QCOMPARE(values[i], std::string());
        QCOMPARE(stored, picked);
        QCOMPARE(listedComplaints(s.active<ViewRec>()), QStringList({"Headache"}));
        VERIFY_BOXES(s);
    }

    void anEmptyComplaintIsRefusedAndOneOfSpacesAccepted() {
        GuiSession s;
        const std::string patient = addPatient();
        ViewComplaint* visit = openNewVisit(patient);
        GuiSession::type(*visit, IDC_VISIT_DIAGNOSIS, "Migraine");
        s.boxes().expectBox(kRequired);
        GuiSession::click(*visit, IDC_VISIT_ADD);
        QCOMPARE(s.active<ViewComplaint>(), visit);
        QCOMPARE(visitCount(patient), size_t(0));
        QCOMPARE(visit->control<MultiLineEdit>(IDC_VISIT_DIAGNOSIS)->toPlainText(),
                 QString("Migraine"));

        GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "   ");
        GuiSession::click(*visit, IDC_VISIT_ADD);
        verifyBackOnRecordOf(s, patient);
        ComplaintList visits;
        visits.Fetch(patient);
        QCOMPARE(visits.m_complaints, std::vector<std::string>({"   "}));
        VERIFY_BOXES(s);
    }

    void everyFindingReachesItsOwnColumn() {
        GuiSession s;
        const std::string patient = addPatient();
        ViewComplaint* visit = openNewVisit(patient);
        GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "Check-up");
        const QStringList typed = {"37",  "120/80", "16",  "72",  "180", "75", "eyes", "heent",
                                   "resp", "cardio", "git", "gu", "endo", "msk", "blood", "skin",
                                   "psych", "other", "diagnosis", "plan"};
        for (size_t i = 0; i < std::size(kFindingIds); ++i)
            GuiSession::type(*visit, kFindingIds[i], typed[qsizetype(i)]);
        GuiSession::click(*visit, IDC_VISIT_ADD);
        ComplaintList visits;
        visits.Fetch(patient);
        QCOMPARE(visits.m_ids.size(), size_t(1));
        const std::vector<std::string> values = storedVisit(visits.m_ids[0]);
        for (size_t i = 0; i < std::size(kFindingIds); ++i)
            QCOMPARE(QString::fromStdString(values[3 + i]), typed[qsizetype(i)]);
        VERIFY_BOXES(s);
    }

    // Temperature and weight take one decimal; the other counts are whole numbers.
    // The body mass index follows the height and weight as they are typed, and shows only
    // while both are plausible numbers.
    void theBmiFollowsTheHeightAndWeightAsTyped_data() {
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("weight");
        QTest::addColumn<QString>("shown");
        QTest::newRow("both") << "170" << "70" << "BMI 24.2";
        QTest::newRow("a decimal weight") << "180" << "81.5" << "BMI 25.2";
        QTest::newRow("halfway through a decimal") << "170" << "70." << "BMI 24.2";
        QTest::newRow("a small child") << "50" << "3.2" << "BMI 12.8";
        QTest::newRow("no weight") << "170" << "" << "";
        QTest::newRow("no height") << "" << "70" << "";
        QTest::newRow("implausible height") << "19" << "70" << "";
        QTest::newRow("implausible weight") << "170" << ".4" << "";
    }
    void theBmiFollowsTheHeightAndWeightAsTyped() {
        QFETCH(QString, height);
        QFETCH(QString, weight);
        QFETCH(QString, shown);
        GuiSession s;
        ViewComplaint* visit = openNewVisit(addPatient());
        auto* bmi = visit->control<QLabel>(IDC_VISIT_BMI);
        QCOMPARE(bmi->text(), QString());
        GuiSession::type(*visit, IDC_VISIT_WEIGHT, weight);
        GuiSession::type(*visit, IDC_VISIT_HEIGHT, height);
        QCOMPARE(bmi->text(), shown);
        // Taking the weight away takes the index away.
        for (int i = 0; i < weight.size(); ++i)
            GuiSession::key(*visit, IDC_VISIT_WEIGHT, Qt::Key_Backspace);
        QCOMPARE(bmi->text(), QString());
        VERIFY_BOXES(s);
    }

    void aStoredVisitShowsItsBmi() {
        GuiSession s;
        const std::string patient = addPatient();
        std::vector<std::string> texts(kVisitTextCount);
        texts[visitText("complaint")] = "Check-up";
        texts[visitText("height")] = "165";
        texts[visitText("weight")] = "58.5";
        ComplaintRecord stored;
        QVERIFY(stored.Add(patient, kVisitDay, texts));
        ViewComplaint* visit = openStoredVisit(patient, stored.m_id);
        QCOMPARE(visit->control<QLabel>(IDC_VISIT_BMI)->text(), QString("BMI 21.5"));
        VERIFY_BOXES(s);
    }

    void vitalSignsTakeWhatTheirMeasureNeeds_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("temperature") << IDC_VISIT_TEMPERATURE << "37.5x12" << "37.5";
        QTest::newRow("temperature, five at most") << IDC_VISIT_TEMPERATURE << "101.35" << "101.3";
        QTest::newRow("temperature, one dot") << IDC_VISIT_TEMPERATURE << "38..2" << "38.2";
        QTest::newRow("weight") << IDC_VISIT_WEIGHT << "72,5.5" << "725.5";
        QTest::newRow("respiratory rate") << IDC_VISIT_RESPIRATORY_RATE << "37.5x12" << "375";
        QTest::newRow("pulse") << IDC_VISIT_PULSE << "37.5x12" << "375";
        QTest::newRow("height") << IDC_VISIT_HEIGHT << "37.5x12" << "375";
    }
    void vitalSignsTakeWhatTheirMeasureNeeds() {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        GuiSession s;
        ViewComplaint* visit = openNewVisit(addPatient());
        GuiSession::type(*visit, field, typed);
        QCOMPARE(visit->control<QLineEdit>(field)->text(), shown);
        VERIFY_BOXES(s);
    }

    // A value no body has is more likely a slip: it is stored only when the user says so.
    void anImplausibleVitalSignAsksBeforeStoring_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("question");
        QTest::newRow("temperature") << IDC_VISIT_TEMPERATURE << "375"
                                     << "Temperature 375 °C is outside the usual range (30 to 45).";
        QTest::newRow("low temperature") << IDC_VISIT_TEMPERATURE << "29.9"
                                         << "Temperature 29.9 °C is outside the usual range (30 "
                                            "to 45).";
        QTest::newRow("respiratory rate") << IDC_VISIT_RESPIRATORY_RATE << "3"
                                          << "Respiratory rate 3 /min is outside the usual range "
                                             "(4 to 80).";
        QTest::newRow("pulse") << IDC_VISIT_PULSE << "251"
                               << "Pulse 251 /min is outside the usual range (20 to 250).";
        QTest::newRow("height") << IDC_VISIT_HEIGHT << "19"
                                << "Height 19 cm is outside the usual range (20 to 250).";
        QTest::newRow("weight") << IDC_VISIT_WEIGHT << ".4"
                                << "Weight .4 Kg is outside the usual range (0.5 to 400).";
    }
    void anImplausibleVitalSignAsksBeforeStoring() {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, question);
        GuiSession s;
        const std::string patient = addPatient();
        ViewComplaint* visit = openNewVisit(patient);
        GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "Check-up");
        GuiSession::type(*visit, field, typed);
        const BoxRecord ask{(question + " Store the visit anyway?").toStdString(), "Confirmation",
                            MsgIcon::Question, MsgButtons::YesNo};
        s.boxes().expectBox(ask, IDNO);
        GuiSession::click(*visit, IDC_VISIT_ADD);
        QCOMPARE(s.active<ViewComplaint>(), visit);
        QCOMPARE(QApplication::focusWidget(), visit->controlWidget(field));
        QCOMPARE(visitCount(patient), size_t(0));

        s.boxes().expectBox(ask, IDYES);
        GuiSession::click(*visit, IDC_VISIT_ADD);
        verifyBackOnRecordOf(s, patient);
        QCOMPARE(visitCount(patient), size_t(1));
        VERIFY_BOXES(s);
    }

    void otherFieldsKeepTheirLimits() {
        GuiSession s;
        ViewComplaint* visit = openNewVisit(addPatient());
        GuiSession::type(*visit, IDC_VISIT_BLOOD_PRESSURE, "120/80 sitting");
        QCOMPARE(visit->control<QLineEdit>(IDC_VISIT_BLOOD_PRESSURE)->text(),
                 QString("120/80 sitting"));
        const auto* pressure = visit->control<QLineEdit>(IDC_VISIT_BLOOD_PRESSURE);
        QCOMPARE(FieldValidator::of(pressure)->maxChars(), 50);
        QCOMPARE(FieldValidator::of(complaintField(*visit))->maxChars(), 255);
        QCOMPARE(visit->control<MultiLineEdit>(IDC_VISIT_EYES)->maxLength(), 65535);
        VERIFY_BOXES(s);
    }

    void cancelWithNothingTypedLeavesWithoutAQuestion() {
        GuiSession s;
        const std::string patient = addPatient();
        ViewComplaint* visit = openNewVisit(patient);
        GuiSession::click(*visit, IDC_VISIT_CANCEL);
        verifyBackOnRecordOf(s, patient);
        QCOMPARE(visitCount(patient), size_t(0));
        VERIFY_BOXES(s);
    }

    // Typing into a new visit, or changing a stored one, is never lost without a question.
    void leavingAChangedVisitAsks_data() {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("answer");
        for (bool stored : {false, true}) {
            const char* kind = stored ? "stored visit" : "new visit";
            QTest::addRow("%s, yes saves", kind) << stored << IDYES;
            QTest::addRow("%s, no discards", kind) << stored << IDNO;
            QTest::addRow("%s, cancel stays", kind) << stored << IDCANCEL;
        }
    }
    void leavingAChangedVisitAsks() {
        QFETCH(bool, stored);
        QFETCH(int, answer);
        GuiSession s;
        const std::string patient = addPatient();
        const std::string visitId = stored ? addVisit(patient, "Cough") : std::string();
        ViewComplaint* visit = stored ? openStoredVisit(patient, visitId) : openNewVisit(patient);
        if (!stored)
            GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "Cough");
        GuiSession::type(*visit, IDC_VISIT_TREATMENT, "Rest");
        s.boxes().expectBox({"The visit has changed, would you like to save?", "Confirmation",
                             MsgIcon::Question, MsgButtons::YesNoCancel},
                            answer);
        GuiSession::click(*visit, IDC_VISIT_CANCEL);
        if (answer == IDCANCEL) {
            QCOMPARE(s.active<ViewComplaint>(), visit);
            QCOMPARE(visit->control<MultiLineEdit>(IDC_VISIT_TREATMENT)->toPlainText(),
                     QString("Rest"));
        } else {
            verifyBackOnRecordOf(s, patient);
        }
        ComplaintList visits;
        QVERIFY(visits.Fetch(patient));
        const bool saved = answer == IDYES;
        QCOMPARE(visits.m_ids.size(), size_t(stored || saved));
        if (!visits.m_ids.empty())
            QCOMPARE(storedVisit(visits.m_ids[0])[22], std::string(saved ? "Rest" : ""));
        VERIFY_BOXES(s);
    }

    void aStoredVisitOpensCleanAndAnyChangeEnablesUpdate() {
        GuiSession s;
        const std::string patient = addPatient();
        const std::string visitId = addVisit(patient, "Cough", "Bronchitis");
        ViewComplaint* visit = openStoredVisit(patient, visitId);
        // The program's own filling is no change.
        QVERIFY(!enabled(*visit, IDC_VISIT_UPDATE));
        QVERIFY(!enabled(*visit, IDC_VISIT_ADD));
        QVERIFY(enabled(*visit, IDC_VISIT_DELETE));
        QCOMPARE(visit->control<QPushButton>(IDC_VISIT_CANCEL)->text(), QString("Close"));
        QCOMPARE(complaintField(*visit)->text(), QString("Cough"));
        QCOMPARE(visit->control<MultiLineEdit>(IDC_VISIT_DIAGNOSIS)->toPlainText(),
                 QString("Bronchitis"));
        QCOMPARE(visit->control<QLineEdit>(IDC_VISIT_NUMBER)->text(),
                 QString::fromStdString(visitId));
        QVERIFY(!enabled(*visit, IDC_VISIT_NUMBER));
        CMainFrame::CloseViewComplaint();
        GuiSession::settle();

        for (int id : {IDC_VISIT_PULSE, IDC_VISIT_OTHER, IDC_VISIT_COMPLAINT}) {
            ViewComplaint* again = openStoredVisit(patient, visitId);
            GuiSession::type(*again, id, "9");
            QVERIFY2(enabled(*again, IDC_VISIT_UPDATE), qPrintable(QString::number(id)));
            CMainFrame::CloseViewComplaint();
            GuiSession::settle();
        }
        VERIFY_BOXES(s);
    }

    void changingOnlyTheDateUpdatesAndKeepsTheScreen() {
        GuiSession s;
        const std::string patient = addPatient();
        const std::string visitId = addVisit(patient, "Cough", "Bronchitis");
        ViewComplaint* visit = openStoredVisit(patient, visitId);
        GuiSession::key(*visit, IDC_VISIT_DATE, Qt::Key_Up);
        QVERIFY(enabled(*visit, IDC_VISIT_UPDATE));
        GuiSession::click(*visit, IDC_VISIT_UPDATE);
        QCOMPARE(s.active<ViewComplaint>(), visit);
        QVERIFY(!enabled(*visit, IDC_VISIT_UPDATE));
        DateTime stored;
        const std::vector<std::string> values = storedVisit(visitId, &stored);
        QCOMPARE(stored, DateTime::fromCivil(2025, 3, 5, 10, 30));
        QCOMPARE(values[2], std::string("Cough"));
        QCOMPARE(values[21], std::string("Bronchitis"));

        GuiSession::click(*visit, IDC_VISIT_CANCEL);
        verifyBackOnRecordOf(s, patient);
        QCOMPARE(listedComplaints(s.active<ViewRec>()), QStringList({"Cough"}));
        VERIFY_BOXES(s);
    }

    void updateWithAnEmptyComplaintIsRefused() {
        GuiSession s;
        const std::string patient = addPatient();
        const std::string visitId = addVisit(patient, "Cough");
        ViewComplaint* visit = openStoredVisit(patient, visitId);
        complaintField(*visit)->setFocus();
        QTest::keyClick(complaintField(*visit), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(complaintField(*visit), Qt::Key_Delete);
        QCOMPARE(complaintField(*visit)->text(), QString());
        s.boxes().expectBox(kRequired);
        GuiSession::click(*visit, IDC_VISIT_UPDATE);
        QVERIFY(enabled(*visit, IDC_VISIT_UPDATE));
        QCOMPARE(storedVisit(visitId)[2], std::string("Cough"));
        VERIFY_BOXES(s);
    }

    void deleteAsksAndOnlyYesDeletes() {
        GuiSession s;
        const std::string patient = addPatient();
        const std::string visitId = addVisit(patient, "Cough");
        ViewComplaint* visit = openStoredVisit(patient, visitId);
        s.boxes().expectBox(kAskDelete, IDNO);
        GuiSession::click(*visit, IDC_VISIT_DELETE);
        QCOMPARE(s.active<ViewComplaint>(), visit);
        QCOMPARE(visitCount(patient), size_t(1));

        s.boxes().expectBox(kAskDelete, IDYES);
        s.boxes().expectBox({"Complaint deleted successfuly.", "Confirmation",
                             MsgIcon::Information, MsgButtons::Ok});
        GuiSession::click(*visit, IDC_VISIT_DELETE);
        verifyBackOnRecordOf(s, patient);
        QCOMPARE(visitCount(patient), size_t(0));
        QCOMPARE(listedComplaints(s.active<ViewRec>()), QStringList({"No Visits"}));
        VERIFY_BOXES(s);
    }

    void aVisitDeletedMeanwhileCannotBeUpdatedOrDeleted() {
        GuiSession s;
        const std::string patient = addPatient();
        const std::string visitId = addVisit(patient, "Cough");
        const std::string otherVisit = addVisit(patient, "Fever");
        ViewComplaint* visit = openStoredVisit(patient, visitId);
        QVERIFY(ComplaintRecord().Delete(visitId));

        GuiSession::type(*visit, IDC_VISIT_EYES, "Clear");
        s.boxes().expectBox({"Error updating complaint", "Error", MsgIcon::Stop, MsgButtons::Ok});
        GuiSession::click(*visit, IDC_VISIT_UPDATE);
        QVERIFY(enabled(*visit, IDC_VISIT_UPDATE));
        QCOMPARE(s.active<ViewComplaint>(), visit);

        s.boxes().expectBox(kAskDelete, IDYES);
        s.boxes().expectBox({"Error deleting complaint", "Error", MsgIcon::Stop, MsgButtons::Ok});
        GuiSession::click(*visit, IDC_VISIT_DELETE);
        QCOMPARE(s.active<ViewComplaint>(), visit);
        // The other visit is untouched by either.
        QCOMPARE(storedVisit(otherVisit)[2], std::string("Fever"));
        QCOMPARE(storedVisit(otherVisit)[9], std::string());
        VERIFY_BOXES(s);
    }

    void earlierComplaintsCompleteInAnyLetterCase() {
        GuiSession s;
        const std::string patient = addPatient();
        addVisit(patient, "Headache");
        addVisit(patient, "chest pain");
        addVisit(patient, "Headache");
        ViewComplaint* visit = openNewVisit(patient);
        auto* box = visit->control<ComboBox>(IDC_VISIT_COMPLAINT);
        // Sorted by the box, repeats kept; and nothing taken from the list into a new visit.
        QCOMPARE(box->entries(), QStringList({"chest pain", "Headache", "Headache"}));
        QCOMPARE(complaintField(*visit)->text(), QString());

        GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "hE");
        QCOMPARE(complaintField(*visit)->text(), QString("Headache"));
        QCOMPARE(complaintField(*visit)->selectedText(), QString("adache"));
        // The next key replaces the highlighted rest and completes again.
        GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "a");
        QCOMPARE(complaintField(*visit)->text(), QString("Headache"));
        QCOMPARE(complaintField(*visit)->selectedText(), QString("dache"));

        GuiSession::key(*visit, IDC_VISIT_COMPLAINT, Qt::Key_Backspace);
        QCOMPARE(complaintField(*visit)->text(), QString("Hea"));
        GuiSession::key(*visit, IDC_VISIT_COMPLAINT, Qt::Key_Backspace);
        QCOMPARE(complaintField(*visit)->text(), QString("He"));
        QVERIFY(!complaintField(*visit)->hasSelectedText());

        GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "x");
        QCOMPARE(complaintField(*visit)->text(), QString("Hex"));
        QCOMPARE(complaintField(*visit)->cursorPosition(), 3);
        VERIFY_BOXES(s);
    }

    void pastingBeforeAnyKeyDoesNotComplete() {
        GuiSession s;
        const std::string patient = addPatient();
        addVisit(patient, "Headache");
        ViewComplaint* visit = openNewVisit(patient);
        QApplication::clipboard()->setText("He");
        complaintField(*visit)->paste();
        QCOMPARE(complaintField(*visit)->text(), QString("He"));
        VERIFY_BOXES(s);
    }

    void aPatientWithoutVisitsIsNeverCompleted() {
        GuiSession s;
        addVisit(addPatient("Omar", "Said"), "Headache");
        const std::string patient = addPatient();
        ViewComplaint* visit = openNewVisit(patient);
        QVERIFY(visit->control<ComboBox>(IDC_VISIT_COMPLAINT)->entries().isEmpty());
        GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "hea");
        QCOMPARE(complaintField(*visit)->text(), QString("hea"));
        QCOMPARE(complaintField(*visit)->selectedText(), QString());
        VERIFY_BOXES(s);
    }

    // Without the earlier complaints the visit is still shown whole, so an update keeps
    // every finding; and a new visit can still be added.
    void anUnreadableListStillShowsTheVisit() {
        GuiSession s;
        const std::string patient = addPatient();
        const std::string visitId = addVisit(patient, "Headache", "Migraine");
        TestRecords& records = TestRecords::current();
        const BoxRecord listError{"Error fetching complaints list", "Error", MsgIcon::Stop,
                                  MsgButtons::Ok};
        s.boxes().expectBox(listError);
        ViewComplaint* visit = openStoredVisit(patient, visitId, [&] { records.takeAway(); });
        records.bringBack();
        QVERIFY(visit->control<ComboBox>(IDC_VISIT_COMPLAINT)->entries().isEmpty());
        QCOMPARE(complaintField(*visit)->text(), QString("Headache"));
        QCOMPARE(visit->control<QLineEdit>(IDC_VISIT_PATIENT_NUMBER)->text(),
                 QString::fromStdString(patient));
        GuiSession::type(*visit, IDC_VISIT_PULSE, "80");
        GuiSession::click(*visit, IDC_VISIT_UPDATE);
        const std::vector<std::string> stored = storedVisit(visitId);
        QCOMPARE(stored[2], std::string("Headache"));
        QCOMPARE(stored[6], std::string("80"));
        QCOMPARE(stored[21], std::string("Migraine"));
        CMainFrame::CloseViewComplaint();
        GuiSession::settle();

        s.boxes().expectBox(listError);
        records.takeAway();
        visit = openNewVisit(patient);
        GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "Dizziness");
        s.boxes().expectBox({"Error adding new complaint", "Error", MsgIcon::Stop,
                             MsgButtons::Ok});
        GuiSession::click(*visit, IDC_VISIT_ADD);
        QCOMPARE(s.active<ViewComplaint>(), visit);
        QCOMPARE(complaintField(*visit)->text(), QString("Dizziness"));
        records.bringBack();
        GuiSession::click(*visit, IDC_VISIT_ADD);
        verifyBackOnRecordOf(s, patient);
        QCOMPARE(visitCount(patient), size_t(2));
        VERIFY_BOXES(s);
    }

    // The record screen's own commands open the screen, and every way out comes back there.
    void theRecordScreenOpensItAndGetsItBack() {
        GuiSession s;
        const std::string patient = addPatient();
        addVisit(patient, "Cough");
        CMainFrame::OpenViewRec();
        auto* record = CMainFrame::ScreenView<ViewRec>(SCREEN_VIEW_REC);
        record->patientId = patient;
        record->LoadPatient();
        CMainFrame::CloseMainMenu();
        GuiSession::settle();

        GuiSession::click(*record, IDC_REC_ADD);
        auto* visit = s.active<ViewComplaint>();
        QVERIFY(visit);
        QVERIFY(enabled(*visit, IDC_VISIT_ADD));
        QCOMPARE(complaintField(*visit)->text(), QString());
        GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "fe");
        QCOMPARE(complaintField(*visit)->text(), QString("fe"));
        GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "ver");
        GuiSession::click(*visit, IDC_VISIT_ADD);
        record = s.active<ViewRec>();
        QVERIFY(record);
        QCOMPARE(listedComplaints(record), QStringList({"Cough", "fever"}));

        auto* list = record->control<ListView>(IDC_REC_HISTORY_LIST);
        const QPoint secondRow = list->visualRect(list->model()->index(1, 1)).center();
        // What the system sends for a double-click: press, release, double-click, release.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, secondRow);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, secondRow);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, secondRow);
        GuiSession::settle();
        visit = s.active<ViewComplaint>();
        QVERIFY(visit);
        QCOMPARE(complaintField(*visit)->text(), QString("fever"));
        QVERIFY(!enabled(*visit, IDC_VISIT_UPDATE));
        QVERIFY(enabled(*visit, IDC_VISIT_DELETE));
        GuiSession::click(*visit, IDC_VISIT_CANCEL);
        verifyBackOnRecordOf(s, patient);
        VERIFY_BOXES(s);
    }

    void fieldsAreNamedByTheirLabelsAndTheComplaintComesLast() {
        GuiSession s;
        ViewComplaint* visit = openNewVisit(addPatient());
        QCOMPARE(visit->controlWidget(IDC_VISIT_TEMPERATURE)->accessibleName(),
                 QString("Temperature"));
        QCOMPARE(visit->controlWidget(IDC_VISIT_PSYCHO_NEURO)->accessibleName(),
                 QString("Psycological/Neurological"));
        QCOMPARE(visit->controlWidget(IDC_VISIT_COMPLAINT)->accessibleName(),
                 QString("Complaint *"));
        QCOMPARE(visit->controlWidget(IDC_VISIT_DATE)->accessibleName(), QString("Date *"));
        QApplication::setActiveWindow(&s.frame());
        GuiSession::key(*visit, IDC_VISIT_PATIENT_NUMBER, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), visit->controlWidget(IDC_VISIT_COMPLAINT));
        GuiSession::key(*visit, IDC_VISIT_TEMPERATURE, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), visit->controlWidget(IDC_VISIT_BLOOD_PRESSURE));
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(ViewComplaintTest)
#include "ViewComplaintTest.moc"

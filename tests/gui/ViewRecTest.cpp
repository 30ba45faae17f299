// The patient medical record screen: details with change tracking and saving, the eight
// history lists with their layouts, deleting entries and whole records, and the hand-over to
// the visit screen.

#include "RecordSupport.h"

#include "app/DeletedPatientsDialog.h"
#include "app/MainMenu.h"
#include "platform/FieldValidator.h"
#include "platform/ListView.h"
#include "platform/MultiLineEdit.h"
#include "res/resource.h"
#include "screens/ViewComplaint.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <optional>

using namespace records;

namespace {

const int kTypeRadios[] = {IDC_REC_VISITS, IDC_REC_MEDICAL,   IDC_REC_SURGICAL,    IDC_REC_SOCIAL,
                           IDC_REC_FAMILY, IDC_REC_ALLERGIES, IDC_REC_MEDICATIONS, IDC_REC_TESTS};
const char* const kEntryTypes[] = {"", "Medical", "Surgical", "Social", "Family", "Allergies"};

const BoxRecord kNoSelection{"No selected entry.", "Error", MsgIcon::Information};
const BoxRecord kDeleteEntry{"Delete entry?", "Confirmation", MsgIcon::Question, MsgButtons::YesNo};
const BoxRecord kSaveQuestion{"Patient information has changed, would you like to save?",
                              "Confirmation", MsgIcon::Question, MsgButtons::YesNo};
const BoxRecord kUpdateFailed{"Error updating patient info", "Error", MsgIcon::Stop};
const BoxRecord kRequired{"Please complete all the required fileds (marked with * ).", "Error",
                          MsgIcon::Information};

std::vector<std::string> visitTexts(const std::string& complaint) {
    std::vector<std::string> texts(ComplaintRecord::textCount);
    for (size_t i = 0; i < texts.size(); ++i)
        texts[i] = "finding " + std::to_string(i);
    texts.front() = complaint;
    texts[19] = "diagnosis of " + complaint;
    texts[20] = "plan for " + complaint;
    return texts;
}

std::string addVisit(const std::string& patient, const std::string& complaint) {
    ComplaintRecord visit;
    visit.Add(patient, DateTime::fromCivil(2025, 3, 4, 10, 30), visitTexts(complaint));
    return visit.m_id;
}

// Adds one record of the history type; the texts name it by n.
void addRecord(const std::string& patient, int type, int n) {
    const std::string text = "record " + std::to_string(n);
    if (type == ViewRec::Visits)
        addVisit(patient, text);
    else if (type == ViewRec::Medications)
        PatientMedicationRecord().Add(patient, text, "Temporary");
    else if (type == ViewRec::Tests)
        TestRecord().Add(patient, DateTime::fromCivil(2025, 6, 1, 9, 0), "CBC", text);
    else
        HistoryEntryRecord().Add(patient, kEntryTypes[type], text);
}

ListView* historyList(ViewRec& rec) {
    return rec.control<ListView>(IDC_REC_HISTORY_LIST);
}

bool enabled(ViewRec& rec, int id) {
    return rec.controlWidget(id)->isEnabled();
}

QString text(FormBase& form, int id) {
    return form.control<QLineEdit>(id)->text();
}

struct Layout {
    QStringList titles;
    QList<int> widths;
    int flexible;
    const char* emptyTitle;
    const char* placeholder;
};

const Layout kLayouts[] = {
    {{"Date", "Complaint", "Diagnosis", "Treatment"},
     {60, 167, 167, 166},
     3,
     "Visits",
     "No Visits"},
    {{"Medical history"}, {560}, 0, "Medical history", "No Entries"},
    {{"Surgical history"}, {560}, 0, "Surgical history", "No Entries"},
    {{"Social history"}, {560}, 0, "Social history", "No Entries"},
    {{"Family history"}, {560}, 0, "Family history", "No Entries"},
    {{"Allergies"}, {560}, 0, "Allergies", "No Entries"},
    {{"Medications", "Status"}, {460, 100}, 0, "Medications", "No Entries"},
    {{"Test Date", "Type", "Resutls"}, {60, 150, 350}, 2, "Tests", "No Tests"},
};

} // namespace

class ViewRecTest : public QObject {
    Q_OBJECT

private slots:
    void loadingShowsThePatientAndIsNoEdit() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        ViewRec* rec = openRecord(s, id);
        QVERIFY(rec);
        QCOMPARE(text(*rec, IDC_REC_PATIENT_NUMBER), QString::fromStdString(id));
        QVERIFY(!enabled(*rec, IDC_REC_PATIENT_NUMBER));
        QCOMPARE(text(*rec, IDC_REC_FIRST_NAME), QString("Nadia"));
        QCOMPARE(text(*rec, IDC_REC_LAST_NAME), QString("Aziz"));
        QCOMPARE(text(*rec, IDC_REC_TELEPHONE), QString("555"));
        QCOMPARE(rec->control<MultiLineEdit>(IDC_REC_ADDRESS)->toPlainText(),
                 QString("3 Olive Lane"));
        QCOMPARE(rec->control<QDateTimeEdit>(IDC_REC_DOB)->date(), QDate(1980, 5, 17));
        QVERIFY(rec->control<QRadioButton>(IDC_REC_FEMALE)->isChecked());
        QVERIFY(rec->control<QRadioButton>(IDC_REC_VISITS)->isChecked());
        QCOMPARE(rec->historyType, int(ViewRec::Visits));
        QVERIFY(!rec->infoChanged);
        QVERIFY(!enabled(*rec, IDC_REC_UPDATE_INFO));
        QCOMPARE(rec->controlWidget(IDC_REC_FIRST_NAME)->accessibleName(), QString("First Name *"));
        QCOMPARE(rec->controlWidget(IDC_REC_HISTORY_LIST)->accessibleName(),
                 QString("History list"));
        QCOMPARE(FieldValidator::of(rec->control<QLineEdit>(IDC_REC_FIRST_NAME))->maxChars(), 50);
        QCOMPARE(rec->control<MultiLineEdit>(IDC_REC_ADDRESS)->maxLength(), 255);
        VERIFY_BOXES(s);
    }

    void everyUserEditOfTheDetailsEnablesUpdateInfo() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        const std::vector<std::function<void(ViewRec&)>> edits = {
            [](ViewRec& r) { GuiSession::type(r, IDC_REC_FIRST_NAME, "x"); },
            [](ViewRec& r) { GuiSession::type(r, IDC_REC_LAST_NAME, "x"); },
            [](ViewRec& r) { GuiSession::type(r, IDC_REC_TELEPHONE, "1"); },
            [](ViewRec& r) { GuiSession::type(r, IDC_REC_ADDRESS, "x"); },
            [](ViewRec& r) { GuiSession::click(r, IDC_REC_MALE); },
            [](ViewRec& r) { GuiSession::click(r, IDC_REC_FEMALE); },
            [](ViewRec& r) { GuiSession::key(r, IDC_REC_DOB, Qt::Key_Up); },
        };
        for (size_t i = 0; i < edits.size(); ++i) {
            ViewRec* rec = openRecord(s, id);
            QVERIFY(!rec->infoChanged);
            edits[i](*rec);
            QVERIFY2(rec->infoChanged, qPrintable(QString("edit %1").arg(i)));
            QVERIFY(enabled(*rec, IDC_REC_UPDATE_INFO));
            s.boxes().expectBox(kSaveQuestion, IDNO);
            GuiSession::click(*rec, IDC_REC_CLOSE);
            QVERIFY(s.active<MainMenu>());
        }
        PatientDetails stored;
        QVERIFY(stored.Fetch(id));
        QCOMPARE(stored.m_firstName, std::string("Nadia"));
        QCOMPARE(stored.m_gender, 1);
        VERIFY_BOXES(s);
    }

    void updateInfoNeedsBothNamesAndThenSaves() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        ViewRec* rec = openRecord(s, id);
        rec->control<QLineEdit>(IDC_REC_LAST_NAME)->clear();
        QVERIFY(enabled(*rec, IDC_REC_UPDATE_INFO));
        s.boxes().expectBox(kRequired);
        GuiSession::click(*rec, IDC_REC_UPDATE_INFO);
        QVERIFY(rec->infoChanged);
        QVERIFY(enabled(*rec, IDC_REC_UPDATE_INFO));

        GuiSession::type(*rec, IDC_REC_LAST_NAME, "Aziz-Karam");
        GuiSession::type(*rec, IDC_REC_TELEPHONE, "0");
        GuiSession::click(*rec, IDC_REC_MALE);
        {
            DatabaseAway away;
            s.boxes().expectBox(kUpdateFailed);
            GuiSession::click(*rec, IDC_REC_UPDATE_INFO);
        }
        QVERIFY(rec->infoChanged);
        QVERIFY(enabled(*rec, IDC_REC_UPDATE_INFO));

        GuiSession::click(*rec, IDC_REC_UPDATE_INFO);
        QVERIFY(!rec->infoChanged);
        QVERIFY(!enabled(*rec, IDC_REC_UPDATE_INFO));
        PatientDetails stored;
        QVERIFY(stored.Fetch(id));
        QCOMPARE(stored.m_lastName, std::string("Aziz-Karam"));
        QCOMPARE(stored.m_telephone, std::string("5550"));
        QCOMPARE(stored.m_gender, 0);
        QCOMPARE(stored.m_address, std::string("3 Olive Lane"));
        QCOMPARE(stored.m_dob.format("%d/%m/%Y"), std::string("17/05/1980"));

        // Saved details close without a question.
        GuiSession::click(*rec, IDC_REC_CLOSE);
        QVERIFY(s.active<MainMenu>());
        VERIFY_BOXES(s);
    }

    void aPatientThatIsGoneShowsTheErrorAndEmptyFields() {
        GuiSession s;
        const std::string kept = addPatient("Nadia", "Aziz");
        const std::string gone = addPatient("Rami", "Fares");
        addVisit(kept, "cough");
        QVERIFY(PatientRecord().DeleteWithRecords(gone));
        ViewRec* rec = openRecord(s, kept);

        // The same screen asked for a patient deleted meanwhile keeps nothing of the first.
        const BoxRecord error{"Error fetching patient information", "Error", MsgIcon::Stop};
        s.boxes().expectBox(error);
        rec->patientId = gone;
        rec->LoadPatient();
        QVERIFY(text(*rec, IDC_REC_FIRST_NAME).isEmpty());
        QVERIFY(text(*rec, IDC_REC_LAST_NAME).isEmpty());
        QVERIFY(text(*rec, IDC_REC_PATIENT_NUMBER).isEmpty());
        QVERIFY(rec->control<MultiLineEdit>(IDC_REC_ADDRESS)->toPlainText().isEmpty());
        QVERIFY(!rec->control<QRadioButton>(IDC_REC_FEMALE)->isChecked());
        QCOMPARE(historyList(*rec)->rowCountNow(), 0);
        QVERIFY(rec->rowIds.empty());
        QVERIFY(!rec->hasVisits);

        s.boxes().expectBox(error);
        GuiSession::click(*rec, IDC_REC_CLOSE);
        CMainFrame::OpenViewRec();
        rec = CMainFrame::ScreenView<ViewRec>(SCREEN_VIEW_REC);
        rec->patientId = gone;
        rec->LoadPatient();
        QVERIFY(text(*rec, IDC_REC_FIRST_NAME).isEmpty());
        QCOMPARE(historyList(*rec)->rowCountNow(), 0);
        VERIFY_BOXES(s);
    }

    void eachTypeWithoutRecordsShowsItsPlaceholder() {
        GuiSession s;
        ViewRec* rec = openRecord(s, addPatient("Nadia", "Aziz"));
        ListView* list = historyList(*rec);
        for (int type : {7, 6, 5, 4, 3, 2, 1, 0}) {
            GuiSession::click(*rec, kTypeRadios[type]);
            const Layout& layout = kLayouts[type];
            QCOMPARE(titles(list), QStringList{layout.emptyTitle});
            QCOMPARE(widths(list), QList<int>{560});
            QCOMPARE(list->rowCountNow(), 1);
            QCOMPARE(list->cellText(0, 0), QString(layout.placeholder));
            QVERIFY(!enabled(*rec, IDC_REC_DELETE));
            QVERIFY(!enabled(*rec, IDC_REC_VIEW_EDIT));
            QVERIFY(rec->rowIds.empty());
        }
        QVERIFY(!rec->hasVisits);
        // The placeholder row opens nothing.
        doubleClickRow(list, 0);
        QCOMPARE(s.active<ViewRec>(), rec);
        VERIFY_BOXES(s);
    }

    void eachTypeShowsItsColumnsAndRowsInStoredOrder() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        const std::string other = addPatient("Rami", "Fares");
        for (int type = 0; type < 8; ++type) {
            addRecord(id, type, 1);
            addRecord(other, type, 9);
            addRecord(id, type, 2);
        }
        ViewRec* rec = openRecord(s, id);
        ListView* list = historyList(*rec);
        for (int type : {0, 1, 2, 3, 4, 5, 6, 7, 0}) {
            GuiSession::click(*rec, kTypeRadios[type]);
            QCOMPARE(titles(list), kLayouts[type].titles);
            QCOMPARE(widths(list), kLayouts[type].widths);
            QCOMPARE(list->rowCountNow(), 2);
            QCOMPARE(rec->rowIds.size(), size_t(2));
            QVERIFY(enabled(*rec, IDC_REC_DELETE));
            QCOMPARE(enabled(*rec, IDC_REC_VIEW_EDIT), type == ViewRec::Visits);
        }
        QVERIFY(rec->hasVisits);
        QCOMPARE(list->cellText(0, 0), QString("04/03/25"));
        QCOMPARE(list->cellText(1, 1), QString("record 2"));
        QCOMPARE(list->cellText(1, 2), QString("diagnosis of record 2"));
        QCOMPARE(list->cellText(1, 3), QString("plan for record 2"));

        GuiSession::click(*rec, IDC_REC_TESTS);
        QCOMPARE(list->cellText(0, 0), QString("01/06/25"));
        QCOMPARE(list->cellText(0, 1), QString("CBC"));
        QCOMPARE(list->cellText(1, 2), QString("record 2"));
        TestList tests;
        tests.Fetch(id);
        QCOMPARE(rec->rowIds, tests.m_ids);

        GuiSession::click(*rec, IDC_REC_MEDICATIONS);
        QCOMPARE(list->cellText(0, 0), QString("record 1"));
        QCOMPARE(list->cellText(0, 1), QString("Temporary"));
        GuiSession::click(*rec, IDC_REC_FAMILY);
        QCOMPARE(list->cellText(1, 0), QString("record 2"));
        HistoryEntryList family;
        family.Fetch(id, "Family");
        QCOMPARE(rec->rowIds, family.m_ids);
        VERIFY_BOXES(s);
    }

    void theFlexibleColumnGivesWayToTheScrollBarOnlyWhenRowsOverflow() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        ViewRec* rec = openRecord(s, id);
        ListView* list = historyList(*rec);
        const int fit = list->countPerPage();
        QVERIFY(fit >= 3);
        for (int type = 0; type < 8; ++type)
            for (int n = 0; n < fit; ++n)
                addRecord(id, type, n);
        const std::string crowded = addPatient("Rami", "Fares");
        for (int type = 0; type < 8; ++type)
            for (int n = 0; n <= fit; ++n)
                addRecord(crowded, type, n);

        for (const std::string& patient : {id, crowded}) {
            rec = openRecord(s, patient);
            list = historyList(*rec);
            const int room = patient == crowded ? 15 : 0;
            for (int type = 0; type < 8; ++type) {
                GuiSession::click(*rec, kTypeRadios[type]);
                QList<int> expected = kLayouts[type].widths;
                expected[kLayouts[type].flexible] -= room;
                QCOMPARE(list->rowCountNow(), fit + (room ? 1 : 0));
                QCOMPARE(widths(list), expected);
            }
            GuiSession::click(*rec, IDC_REC_CLOSE);
        }
        VERIFY_BOXES(s);
    }

    void deleteAsksThenRemovesTheSelectedRowOfTheShownType() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        for (int type = 0; type < 8; ++type)
            for (int n = 0; n < 3; ++n)
                addRecord(id, type, n);
        ViewRec* rec = openRecord(s, id);
        ListView* list = historyList(*rec);
        for (int type : {1, 2, 3, 4, 5, 6, 7, 0}) {
            GuiSession::click(*rec, kTypeRadios[type]);
            s.boxes().expectBox(kNoSelection);
            GuiSession::click(*rec, IDC_REC_DELETE);
            QCOMPARE(list->rowCountNow(), 3);

            clickRow(list, 1);
            s.boxes().expectBox(kDeleteEntry, IDNO);
            GuiSession::click(*rec, IDC_REC_DELETE);
            QCOMPARE(list->rowCountNow(), 3);

            const std::vector<std::string> before = rec->rowIds;
            clickRow(list, 1);
            s.boxes().expectBox(kDeleteEntry, IDYES);
            GuiSession::click(*rec, IDC_REC_DELETE);
            QCOMPARE(list->rowCountNow(), 2);
            QCOMPARE(rec->rowIds, (std::vector<std::string>{before[0], before[2]}));
            const int textColumn = type == ViewRec::Visits ? 1 : type == ViewRec::Tests ? 2 : 0;
            QCOMPARE(list->cellText(1, textColumn), QString("record 2"));
        }
        // Every type lost exactly its own one row.
        for (int type = 0; type < 8; ++type) {
            GuiSession::click(*rec, kTypeRadios[type]);
            QCOMPARE(list->rowCountNow(), 2);
        }
        VERIFY_BOXES(s);
    }

    void deletingTheLastVisitShowsNoVisits() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        addVisit(id, "cough");
        ViewRec* rec = openRecord(s, id);
        QVERIFY(rec->hasVisits);
        clickRow(historyList(*rec), 0);
        s.boxes().expectBox(kDeleteEntry, IDYES);
        GuiSession::click(*rec, IDC_REC_DELETE);
        QCOMPARE(historyList(*rec)->cellText(0, 0), QString("No Visits"));
        QVERIFY(!rec->hasVisits);
        QVERIFY(!enabled(*rec, IDC_REC_VIEW_EDIT));
        QVERIFY(!enabled(*rec, IDC_REC_DELETE));
        ComplaintList visits;
        QVERIFY(visits.Fetch(id));
        QVERIFY(visits.m_ids.empty());
        VERIFY_BOXES(s);
    }

    void aFailedDeleteKeepsTheList() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        addVisit(id, "cough");
        HistoryEntryRecord().Add(id, "Social", "smoker");
        ViewRec* rec = openRecord(s, id);
        for (auto [radio, table, message] :
             {std::tuple{IDC_REC_VISITS, "complaints", "Error deleting complaint"},
              std::tuple{IDC_REC_SOCIAL, "history_entries", "Error deleting entry"}}) {
            GuiSession::click(*rec, radio);
            clickRow(historyList(*rec), 0);
            TableAway away(table);
            s.boxes().expectBox(kDeleteEntry, IDYES);
            s.boxes().expectBox({message, "Error", MsgIcon::Stop});
            GuiSession::click(*rec, IDC_REC_DELETE);
            QCOMPARE(historyList(*rec)->rowCountNow(), 1);
            QCOMPARE(rec->rowIds.size(), size_t(1));
        }
        VERIFY_BOXES(s);
    }

    void aFailedFetchClearsTheListSoNoOtherTypeIsDeleted() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        const std::string visit = addVisit(id, "cough");
        HistoryEntryRecord().Add(id, "Medical", "asthma");
        ViewRec* rec = openRecord(s, id);
        ListView* list = historyList(*rec);
        QCOMPARE(rec->rowIds, std::vector<std::string>{visit});
        clickRow(list, 0);
        const std::tuple<int, const char*, const char*> failing[] = {
            {IDC_REC_MEDICAL, "history_entries", "Error retrieving entris"},
            {IDC_REC_MEDICATIONS, "patient_medications", "Error fetching medications list"},
            {IDC_REC_TESTS, "tests", "Error fetching tests list"},
            {IDC_REC_VISITS, "complaints", "Error fetching complaints list"},
        };
        for (auto [radio, table, message] : failing) {
            if (radio != IDC_REC_VISITS)
                GuiSession::click(*rec, IDC_REC_VISITS);
            clickRow(list, 0);
            TableAway away(table);
            s.boxes().expectBox({message, "Error", MsgIcon::Stop});
            GuiSession::click(*rec, radio);
            QCOMPARE(list->rowCountNow(), 0);
            QVERIFY(rec->rowIds.empty());
            QVERIFY(!rec->hasVisits);
            QVERIFY(!enabled(*rec, IDC_REC_DELETE));
            QVERIFY(!enabled(*rec, IDC_REC_VIEW_EDIT));
        }
        ComplaintList visits;
        QVERIFY(visits.Fetch(id));
        QCOMPARE(visits.m_ids, std::vector<std::string>{visit});
        VERIFY_BOXES(s);
    }

    void onlyVisitsEnableViewEditAndEveryClickFetchesAnew() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        addVisit(id, "cough");
        ViewRec* rec = openRecord(s, id);
        QVERIFY(enabled(*rec, IDC_REC_VIEW_EDIT));
        GuiSession::click(*rec, IDC_REC_TESTS);
        QVERIFY(!enabled(*rec, IDC_REC_VIEW_EDIT));
        GuiSession::click(*rec, IDC_REC_VISITS);
        QVERIFY(enabled(*rec, IDC_REC_VIEW_EDIT));

        GuiSession::click(*rec, IDC_REC_MEDICAL);
        QCOMPARE(historyList(*rec)->cellText(0, 0), QString("No Entries"));
        HistoryEntryRecord().Add(id, "Medical", "asthma");
        GuiSession::click(*rec, IDC_REC_MEDICAL);
        QCOMPARE(historyList(*rec)->cellText(0, 0), QString("asthma"));

        // A patient without visits: the button comes on, then the loader puts it off.
        rec = openRecord(s, addPatient("Rami", "Fares"));
        GuiSession::click(*rec, IDC_REC_TESTS);
        GuiSession::click(*rec, IDC_REC_VISITS);
        QVERIFY(!enabled(*rec, IDC_REC_VIEW_EDIT));
        VERIFY_BOXES(s);
    }

    void viewEditNeedsASelectedVisitThatStillExists() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        addVisit(id, "cough");
        const std::string gone = addVisit(id, "fever");
        ViewRec* rec = openRecord(s, id);
        s.boxes().expectBox(kNoSelection);
        GuiSession::click(*rec, IDC_REC_VIEW_EDIT);
        QCOMPARE(s.active<ViewRec>(), rec);

        clickRow(historyList(*rec), 1);
        QVERIFY(ComplaintRecord().Delete(gone));
        s.boxes().expectBox(
            {"Error fetching complaint details, cannot edit complaint", "Error", MsgIcon::Stop});
        GuiSession::click(*rec, IDC_REC_VIEW_EDIT);
        QCOMPARE(s.active<ViewRec>(), rec);
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_COMPLAINT), 0);
        VERIFY_BOXES(s);
    }

    void viewEditAndDoubleClickOpenTheStoredVisit() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        addVisit(id, "cough");
        const std::string visitId = addVisit(id, "fever");
        HistoryEntryRecord().Add(id, "Medical", "asthma");
        for (bool byDoubleClick : {false, true}) {
            ViewRec* rec = openRecord(s, id);
            if (byDoubleClick) {
                doubleClickRow(historyList(*rec), 1);
            } else {
                clickRow(historyList(*rec), 1);
                GuiSession::click(*rec, IDC_REC_VIEW_EDIT);
            }
            QCOMPARE(GuiSession::openCount(SCREEN_VIEW_REC), 0);
            auto* visit = s.active<ViewComplaint>();
            QVERIFY(visit);
            QCOMPARE(visit->patientId, id);
            QCOMPARE(visit->visitId, visitId);
            QVERIFY(!visit->newVisit);
            QCOMPARE(visit->texts, visitTexts("fever"));
            QCOMPARE(visit->visitDate.format("%d/%m/%Y %H:%M"), std::string("04/03/2025 10:30"));
            QVERIFY(visit->controlWidget(IDC_VISIT_DELETE)->isEnabled());
            QCOMPARE(visit->control<QPushButton>(IDC_VISIT_CANCEL)->text(), QString("Close"));
            CMainFrame::CloseViewComplaint();
        }
        // A double-click on any other type's rows opens nothing.
        ViewRec* rec = openRecord(s, id);
        GuiSession::click(*rec, IDC_REC_MEDICAL);
        doubleClickRow(historyList(*rec), 0);
        QCOMPARE(s.active<ViewRec>(), rec);
        VERIFY_BOXES(s);
    }

    // Every way off the screen asks about unsaved details; only a successful save or "No"
    // goes on, and anything else keeps the user here with the edits.
    void leavingWithChangedDetailsAsksToSave_data() {
        QTest::addColumn<int>("way");
        QTest::addColumn<QString>("firstName");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("databaseAway");
        const std::pair<int, const char*> ways[] = {{IDC_REC_CLOSE, "close"},
                                                    {IDC_REC_ADD, "add a visit"},
                                                    {IDC_REC_VIEW_EDIT, "view a visit"},
                                                    {IDC_REC_DELETE_RECORD, "delete record"}};
        for (const auto& [way, name] : ways) {
            QTest::addRow("%s, yes saves", name) << way << "Nour" << IDYES << false;
            QTest::addRow("%s, no discards", name) << way << "Nour" << IDNO << false;
            QTest::addRow("%s, no name stays", name) << way << "" << IDYES << false;
            QTest::addRow("%s, failed save stays", name) << way << "Nour" << IDYES << true;
        }
    }
    void leavingWithChangedDetailsAsksToSave() {
        QFETCH(int, way);
        QFETCH(QString, firstName);
        QFETCH(int, answer);
        QFETCH(bool, databaseAway);
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        addVisit(id, "cough");
        ViewRec* rec = openRecord(s, id);
        GuiSession::key(*rec, IDC_REC_FIRST_NAME, Qt::Key_A, Qt::ControlModifier);
        GuiSession::key(*rec, IDC_REC_FIRST_NAME, Qt::Key_Delete);
        GuiSession::type(*rec, IDC_REC_FIRST_NAME, firstName);
        clickRow(historyList(*rec), 0);

        const bool saved = answer == IDYES && !firstName.isEmpty() && !databaseAway;
        const bool goesOn = answer == IDNO || saved;
        s.boxes().expectBox(kSaveQuestion, answer);
        if (answer == IDYES && firstName.isEmpty())
            s.boxes().expectBox(kRequired);
        if (databaseAway)
            s.boxes().expectBox(kUpdateFailed);
        if (goesOn && way == IDC_REC_DELETE_RECORD)
            s.boxes().expectBox({"Permenantly delete this medical record?", "Confirmation",
                                 MsgIcon::Question, MsgButtons::YesNo},
                                IDNO);
        {
            std::optional<DatabaseAway> away;
            if (databaseAway)
                away.emplace();
            GuiSession::click(*rec, way);
        }
        GuiSession::settle();
        const bool left = goesOn && way != IDC_REC_DELETE_RECORD;
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_REC), left ? 0 : 1);
        if (!left)
            QCOMPARE(text(*rec, IDC_REC_FIRST_NAME), firstName);
        PatientDetails stored;
        QVERIFY(stored.Fetch(id));
        QCOMPARE(QString::fromStdString(stored.m_firstName), saved ? firstName : "Nadia");
        VERIFY_BOXES(s);
    }

    void addOnVisitsOpensANewVisit() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        ViewRec* rec = openRecord(s, id);
        GuiSession::click(*rec, IDC_REC_ADD);
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_REC), 0);
        auto* visit = s.active<ViewComplaint>();
        QVERIFY(visit);
        QCOMPARE(visit->patientId, id);
        QVERIFY(visit->newVisit);
        QVERIFY(visit->controlWidget(IDC_VISIT_ADD)->isEnabled());
        VERIFY_BOXES(s);
    }

    // Updating checks the date of birth as registering does.
    void updateInfoChecksTheDateOfBirth() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        ViewRec* rec = openRecord(s, id);
        auto* picker = rec->control<QDateTimeEdit>(IDC_REC_DOB);
        picker->setFocus();
        picker->setSelectedSection(QDateTimeEdit::YearSection);
        QTest::keyClicks(picker, QString::number(QDate::currentDate().year() + 1));
        s.boxes().expectBox({"The date of birth cannot be in the future.", "Error",
                             MsgIcon::Information, MsgButtons::Ok});
        GuiSession::click(*rec, IDC_REC_UPDATE_INFO);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(picker));
        QVERIFY(rec->infoChanged);
        PatientDetails stored;
        QVERIFY(stored.Fetch(id));
        QCOMPARE(stored.m_dob.format("%d/%m/%Y"), std::string("17/05/1980"));
        VERIFY_BOXES(s);
    }

    void deleteRecordRemovesThePatientWithAllRows() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        const std::string other = addPatient("Rami", "Fares");
        for (int type = 0; type < 8; ++type) {
            addRecord(id, type, 1);
            addRecord(other, type, 2);
        }
        ViewRec* rec = openRecord(s, id);
        const BoxRecord question{"Permenantly delete this medical record?", "Confirmation",
                                 MsgIcon::Question, MsgButtons::YesNo};
        s.boxes().expectBox(question, IDNO);
        GuiSession::click(*rec, IDC_REC_DELETE_RECORD);
        QCOMPARE(s.active<ViewRec>(), rec);
        {
            DatabaseAway away;
            s.boxes().expectBox(question, IDYES);
            s.boxes().expectBox({"Error deleting record", "Error", MsgIcon::Stop});
            GuiSession::click(*rec, IDC_REC_DELETE_RECORD);
        }
        QCOMPARE(s.active<ViewRec>(), rec);

        s.boxes().expectBox(question, IDYES);
        s.boxes().expectBox({"Record deleted successfuly. An administrator can bring it back "
                             "whole from Database \u203a Deleted patients\u2026",
                             "Confirmation", MsgIcon::Information});
        GuiSession::click(*rec, IDC_REC_DELETE_RECORD);
        QVERIFY(s.active<MainMenu>());
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_REC), 0);

        PatientNameList patients;
        QVERIFY(patients.FetchAll());
        QCOMPARE(patients.m_ids, std::vector<std::string>{other});
        for (const std::string& patient : {id, other}) {
            const size_t expected = patient == other ? 1 : 0;
            ComplaintList visits;
            PatientMedicationList medications;
            TestList tests;
            QVERIFY(visits.Fetch(patient) && medications.Fetch(patient) && tests.Fetch(patient));
            QCOMPARE(visits.m_ids.size(), expected);
            QCOMPARE(medications.m_ids.size(), expected);
            QCOMPARE(tests.m_ids.size(), expected);
            for (int type = 1; type <= 5; ++type) {
                HistoryEntryList entries;
                QVERIFY(entries.Fetch(patient, kEntryTypes[type]));
                QCOMPARE(entries.m_ids.size(), expected);
            }
        }

        // Database › Deleted patients… brings the record back whole.
        s.boxes().expectBox({"The record of Nadia Aziz (number " + id +
                                 ") is back, with its visits, histories, medications and tests.",
                             "Deleted patients", MsgIcon::Information});
        QVERIFY(GuiSession::withModal<DeletedPatientsDialog>(
            [&] { s.menuEntry("&Database", "Deleted patients\u2026")->trigger(); },
            [&](DeletedPatientsDialog& dialog) {
                auto* list = dialog.control<ListView>(IDC_DELETED_LIST);
                QCOMPARE(list->rowCountNow(), 1);
                QCOMPARE(list->cellText(0, 0), QString("Nadia Aziz"));
                QCOMPARE(list->cellText(0, 2), QString::fromStdString(id));
                GuiSession::click(dialog, IDC_DELETED_BRING_BACK);
                QCOMPARE(list->rowCountNow(), 0);
                QVERIFY(!dialog.controlWidget(IDC_DELETED_BRING_BACK)->isEnabled());
                GuiSession::click(dialog, IDCANCEL);
            }));
        PatientNameList back;
        QVERIFY(back.FetchAll());
        QCOMPARE(back.m_ids.size(), 2u);
        ComplaintList visits;
        QVERIFY(visits.Fetch(id));
        QCOMPARE(visits.m_ids.size(), 1u);
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(ViewRecTest)
#include "ViewRecTest.moc"

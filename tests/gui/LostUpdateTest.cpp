// Two windows of the program, or two desks, have one patient or one visit open and both save:
// the later save is refused with its reason, and it neither undoes the earlier one nor takes
// the user's entries off the screen.

#include "RecordSupport.h"

#include "platform/MultiLineEdit.h"
#include "res/resource.h"
#include "screens/ViewComplaint.h"

#include <QLineEdit>

using namespace records;

namespace {

const BoxRecord kChangedElsewhere{
    "This record was changed at another desk since you opened it. Your changes were not saved; "
    "close it and open it again to see the new details.",
    "Error", MsgIcon::Stop};
const BoxRecord kSaveDetails{"Patient information has changed, would you like to save?",
                             "Confirmation", MsgIcon::Question, MsgButtons::YesNo};
const BoxRecord kSaveVisit{"The visit has changed, would you like to save?", "Confirmation",
                           MsgIcon::Question, MsgButtons::YesNoCancel};

// A second record screen beside the open one, as another window shows it.
ViewRec* openAnotherRecord(GuiSession& s, const std::string& id) {
    CMainFrame::OpenViewRec();
    auto* rec = s.active<ViewRec>();
    rec->patientId = id;
    rec->LoadPatient();
    GuiSession::settle();
    return rec;
}

// Replaces what a field holds, as the user does.
void retype(FormBase& form, int id, const QString& text) {
    GuiSession::key(form, id, Qt::Key_A, Qt::ControlModifier);
    GuiSession::key(form, id, Qt::Key_Delete);
    GuiSession::type(form, id, text);
}

QString shown(FormBase& form, int id) {
    return form.control<QLineEdit>(id)->text();
}

bool updateEnabled(FormBase& form) {
    return form.controlWidget(IDC_REC_UPDATE_INFO)->isEnabled();
}

PatientDetails storedPatient(const std::string& id) {
    PatientDetails details;
    if (!details.Fetch(id))
        qFatal("the patient is gone");
    return details;
}

// The visit's twenty-one texts as stored.
std::vector<std::string> storedTexts(const std::string& visitId, DateTime* date = nullptr) {
    ComplaintList visit;
    if (!visit.FetchDetails(visitId))
        qFatal("the visit is gone");
    if (date)
        *date = visit.m_date;
    return {visit.m_values.begin() + 2, visit.m_values.end()};
}

// Where the texts keep the pulse, the eyes, the diagnosis and the treatment plan.
constexpr size_t kPulse = 4;
constexpr size_t kEyes = 7;
constexpr size_t kDiagnosis = 19;
constexpr size_t kTreatment = 20;

} // namespace

class LostUpdateTest : public QObject {
    Q_OBJECT

private slots:
    void theLaterSaveOfAPatientIsRefused_data() {
        QTest::addColumn<bool>("closing");
        QTest::newRow("update info") << false;
        QTest::newRow("close, yes") << true;
    }
    void theLaterSaveOfAPatientIsRefused() {
        QFETCH(bool, closing);
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        ViewRec* first = openRecord(s, id);
        ViewRec* second = openAnotherRecord(s, id);
        QVERIFY(second && second != first);

        // A window's own saves follow one another.
        retype(*first, IDC_REC_FIRST_NAME, "Nour");
        GuiSession::click(*first, IDC_REC_UPDATE_INFO);
        retype(*first, IDC_REC_TELEPHONE, "555-0199");
        GuiSession::click(*first, IDC_REC_UPDATE_INFO);
        QVERIFY(!updateEnabled(*first));

        retype(*second, IDC_REC_LAST_NAME, "Karam");
        if (closing)
            s.boxes().expectBox(kSaveDetails, IDYES);
        s.boxes().expectBox(kChangedElsewhere);
        GuiSession::click(*second, closing ? IDC_REC_CLOSE : IDC_REC_UPDATE_INFO);
        VERIFY_BOXES(s);
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_REC), 2);
        QCOMPARE(shown(*second, IDC_REC_LAST_NAME), QString("Karam"));
        QCOMPARE(shown(*second, IDC_REC_FIRST_NAME), QString("Nadia"));
        QCOMPARE(shown(*second, IDC_REC_TELEPHONE), QString("555"));
        QVERIFY(updateEnabled(*second));
        PatientDetails stored = storedPatient(id);
        QCOMPARE(stored.m_firstName + " " + stored.m_lastName, std::string("Nour Aziz"));
        QCOMPARE(stored.m_telephone, std::string("555-0199"));

        // Closed and opened again, the record shows the new details and saves.
        s.boxes().expectBox(kSaveDetails, IDNO);
        GuiSession::click(*second, IDC_REC_CLOSE);
        second = openAnotherRecord(s, id);
        QCOMPARE(shown(*second, IDC_REC_FIRST_NAME), QString("Nour"));
        retype(*second, IDC_REC_LAST_NAME, "Karam");
        GuiSession::click(*second, IDC_REC_UPDATE_INFO);
        stored = storedPatient(id);
        QCOMPARE(stored.m_firstName + " " + stored.m_lastName, std::string("Nour Karam"));
        QCOMPARE(stored.m_telephone, std::string("555-0199"));
        VERIFY_BOXES(s);
    }

    void theLaterSaveOfAVisitIsRefused_data() {
        QTest::addColumn<bool>("closing");
        QTest::newRow("update") << false;
        QTest::newRow("close, yes") << true;
    }
    void theLaterSaveOfAVisitIsRefused() {
        QFETCH(bool, closing);
        GuiSession s;
        const std::string patient = addPatient("Nadia", "Aziz");
        ComplaintRecord added;
        std::vector<std::string> texts(ComplaintRecord::textCount);
        texts.front() = "Cough";
        QVERIFY(added.Add(patient, DateTime::fromCivil(2025, 3, 4, 10, 30), texts));
        ViewRec* rec = openRecord(s, patient);
        clickRow(rec->control<ListView>(IDC_REC_HISTORY_LIST), 0);
        GuiSession::click(*rec, IDC_REC_VIEW_EDIT);
        auto* visit = s.active<ViewComplaint>();
        QVERIFY(visit);

        GuiSession::type(*visit, IDC_VISIT_TREATMENT, "Rest");
        GuiSession::click(*visit, IDC_VISIT_UPDATE);
        GuiSession::type(*visit, IDC_VISIT_DIAGNOSIS, "Bronchitis");
        GuiSession::click(*visit, IDC_VISIT_UPDATE);
        QVERIFY(!visit->controlWidget(IDC_VISIT_UPDATE)->isEnabled());

        // Another desk saves the pulse into the visit as it has it now.
        DateTime date;
        const std::vector<std::string> theirsLoaded = storedTexts(added.m_id, &date);
        std::vector<std::string> theirs = theirsLoaded;
        theirs[kPulse] = "90";
        QVERIFY(ComplaintRecord().UpdateUnlessChanged(added.m_id, patient, date, theirsLoaded, date,
                                                      theirs));

        GuiSession::type(*visit, IDC_VISIT_EYES, "Clear");
        if (closing)
            s.boxes().expectBox(kSaveVisit, IDYES);
        s.boxes().expectBox(kChangedElsewhere);
        GuiSession::click(*visit, closing ? IDC_VISIT_CANCEL : IDC_VISIT_UPDATE);
        VERIFY_BOXES(s);
        QCOMPARE(s.active<ViewComplaint>(), visit);
        QCOMPARE(visit->control<MultiLineEdit>(IDC_VISIT_EYES)->toPlainText(), QString("Clear"));
        QCOMPARE(shown(*visit, IDC_VISIT_PULSE), QString());
        QVERIFY(visit->controlWidget(IDC_VISIT_UPDATE)->isEnabled());
        const std::vector<std::string> stored = storedTexts(added.m_id);
        QCOMPARE(stored[kPulse], std::string("90"));
        QCOMPARE(stored[kEyes], std::string());
        QCOMPARE(stored[kDiagnosis], std::string("Bronchitis"));
        QCOMPARE(stored[kTreatment], std::string("Rest"));
    }
};

QTEST_MAIN(LostUpdateTest)
#include "LostUpdateTest.moc"

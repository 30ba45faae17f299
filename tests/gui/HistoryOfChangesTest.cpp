// Edit › History of changes…: the versions of a visit, an earlier one put back from the visit
// screen, and a deleted history entry brought back from the record screen.

#include "RecordSupport.h"

#include "platform/MultiLineEdit.h"
#include "records/AuditTrail.h"
#include "res/resource.h"
#include "screens/HistoryOfChangesDialog.h"
#include "screens/ViewComplaint.h"

using namespace records;

namespace {

const BoxRecord kAskRestore{
    "Put this version back? It becomes a new change, and the history keeps every version "
    "before it. What is typed on the screen and not stored is replaced.",
    "History of changes", MsgIcon::Question, MsgButtons::YesNo};

ListView* versions(HistoryOfChangesDialog& dialog) {
    return dialog.control<ListView>(IDC_HISTORY_VERSIONS);
}

// Opens the window from the Edit menu, where the newest version is chosen, moves to another
// row with the key, restores it and closes the window; check runs on the window before it
// closes.
bool restoreFromMenu(GuiSession& s, Qt::Key key,
                     const std::function<void(HistoryOfChangesDialog&)>& check) {
    return GuiSession::withModal<HistoryOfChangesDialog>(
        [&] { s.menuEntry("&Edit", "&History of changes\u2026")->trigger(); },
        [&](HistoryOfChangesDialog& dialog) {
            versions(dialog)->setFocus();
            QTest::keyClick(versions(dialog), key);
            GuiSession::click(dialog, IDC_HISTORY_RESTORE);
            check(dialog);
            GuiSession::click(dialog, IDCANCEL);
        });
}

// How often the trail says the patient's record was opened.
int openings(const std::string& patient) {
    if (TestRecords::onServer())
        return std::stoi(TestRecords::current().serverValue(
            "SELECT count(*) FROM audit_trail WHERE action = 'open' AND table_name ="
            " 'patient_info' AND record_id = '" + patient + "'"));
    const std::vector<AuditEntry> trail = AuditTrail::ofFile("clinic_db.mdb");
    return int(std::count_if(trail.begin(), trail.end(), [&](const AuditEntry& entry) {
        return entry.action == "open" && entry.table == "patient_info" && entry.record == patient;
    }));
}

} // namespace

class HistoryOfChangesTest : public QObject {
    Q_OBJECT

private slots:
    // The treatment typed and stored, then the first version put back: the screen shows
    // it again, and the history has one version more.
    void anEarlierVersionOfAVisitComesBackOnTheVisitScreen() {
        GuiSession s;
        const std::string patient = addPatient();
        std::vector<std::string> texts(ComplaintRecord::textCount);
        texts.front() = "Cough";
        texts.back() = "Rest";
        QVERIFY(ComplaintRecord().Add(patient, DateTime::fromCivil(2025, 3, 4, 10, 30), texts));
        ViewRec* record = openRecord(s, patient);
        doubleClickRow(record->control<ListView>(IDC_REC_HISTORY_LIST), 0);
        auto* visit = s.active<ViewComplaint>();
        QVERIFY(visit);
        auto* treatment = visit->control<MultiLineEdit>(IDC_VISIT_TREATMENT);
        treatment->clear();
        GuiSession::type(*visit, IDC_VISIT_TREATMENT, "Antibiotics");
        GuiSession::click(*visit, IDC_VISIT_UPDATE);

        s.boxes().expectBox(kAskRestore, IDYES);
        QVERIFY(restoreFromMenu(s, Qt::Key_Up, [](HistoryOfChangesDialog& dialog) {
            QCOMPARE(column(versions(dialog), 2), QStringList({"added", "changed", "changed"}));
            // The newest version is chosen, with what it changed.
            QCOMPARE(column(dialog.control<ListView>(IDC_HISTORY_CHANGES), 1),
                     QStringList({"Antibiotics \u2192 Rest"}));
        }));
        VERIFY_BOXES(s);
        QCOMPARE(s.active<ViewComplaint>(), visit);
        QCOMPARE(treatment->toPlainText(), QString("Rest"));
        QVERIFY(!visit->controlWidget(IDC_VISIT_UPDATE)->isEnabled());
    }

    // A deleted entry is listed below the particulars' versions and comes back with its
    // number into the list the record screen shows, which is not opened anew for it.
    void aDeletedHistoryEntryComesBackOnTheRecordScreen() {
        GuiSession s;
        const std::string patient = addPatient();
        QVERIFY(HistoryEntryRecord().Add(patient, "Medical", "Asthma"));
        HistoryEntryList entries;
        QVERIFY(entries.Fetch(patient, "Medical"));
        QCOMPARE(entries.m_ids.size(), size_t(1));
        QVERIFY(HistoryEntryRecord().Delete(entries.m_ids[0]));
        ViewRec* record = openRecord(s, patient);
        GuiSession::click(*record, IDC_REC_MEDICAL);

        s.boxes().expectBox(kAskRestore, IDYES);
        QVERIFY(restoreFromMenu(s, Qt::Key_Down, [&](HistoryOfChangesDialog& dialog) {
            // Brought back, it is deleted no more.
            QCOMPARE(column(versions(dialog), 2), QStringList({"added"}));
        }));
        VERIFY_BOXES(s);
        QCOMPARE(column(record->control<ListView>(IDC_REC_HISTORY_LIST), 0),
                 QStringList({"Asthma"}));
        HistoryEntryList back;
        QVERIFY(back.Fetch(patient, "Medical"));
        QCOMPARE(back.m_ids, entries.m_ids);
        QCOMPARE(openings(patient), 1);
    }
};

QTEST_MAIN(HistoryOfChangesTest)
#include "HistoryOfChangesTest.moc"

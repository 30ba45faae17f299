// Completion of a combo box from its own list while the user types, through the boxes that
// own it: the medication dialog's drug box, and the visit screen's complaint box for entries
// in mixed letter case.

#include "GuiSession.h"

#include "app/Screens.h"
#include "platform/ComboBox.h"
#include "res/resource.h"
#include "screens/AddMedicationDialog.h"
#include "screens/ViewComplaint.h"
#include "screens/ViewRec.h"
#include "store/store.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

namespace {

// The medication dialog as the record screen shows it, with these names in its list.
class DrugBox {
public:
    explicit DrugBox(GuiSession& s, const std::vector<std::string>& names) {
        for (const std::string& name : names)
            MedicationNameList().AddName(name);
        dialog = std::make_unique<AddMedicationDialog>(&s.frame());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    }

    void type(const QString& keys) { GuiSession::type(*dialog, IDC_MED_DRUG, keys); }
    void key(Qt::Key key) { GuiSession::key(*dialog, IDC_MED_DRUG, key); }
    QLineEdit* edit() const { return dialog->drugBox()->lineEdit(); }
    QString text() const { return edit()->text(); }
    QString selected() const { return edit()->selectedText(); }
    int selectionStart() const { return edit()->selectionStart(); }
    int caret() const { return edit()->cursorPosition(); }
    AddMedicationDialog& owner() { return *dialog; }

private:
    std::unique_ptr<AddMedicationDialog> dialog;
};

} // namespace

class CompletionTest : public QObject {
    Q_OBJECT

private slots:
    void aTypedPrefixCompletesWithTheTailSelectedAndEachKeyCompletesAgain() {
        GuiSession s;
        DrugBox box(s, {"PARACETAMOL 500MG", "PANTOPRAZOLE 40MG", "IBUPROFEN 400MG"});
        box.type("p");
        QCOMPARE(box.text(), QString("PANTOPRAZOLE 40MG"));
        QCOMPARE(box.selectionStart(), 1);
        QCOMPARE(box.selected(), QString("ANTOPRAZOLE 40MG"));
        box.type("aR");
        QCOMPARE(box.text(), QString("PARACETAMOL 500MG"));
        QCOMPARE(box.selectionStart(), 3);
        QCOMPARE(box.selected(), QString("ACETAMOL 500MG"));
        QVERIFY(box.owner().autoComplete);
        VERIFY_BOXES(s);
    }

    void entriesInAnyLetterCaseComplete() {
        GuiSession s;
        PatientRecord patient;
        patient.Add("Nadia", "Aziz", DateTime::fromCivil(1980, 5, 17), 1, "", "");
        ComplaintRecord().Add(patient.m_id, DateTime::fromCivil(2025, 1, 2),
                              std::vector<std::string>(ComplaintRecord::textCount, "Cough"));
        CMainFrame::OpenViewRec();
        auto* rec = CMainFrame::ScreenView<ViewRec>(SCREEN_VIEW_REC);
        rec->patientId = patient.m_id;
        rec->LoadPatient();
        GuiSession::click(*rec, IDC_REC_ADD);
        auto* visit = s.active<ViewComplaint>();
        QVERIFY(visit);
        auto* edit = visit->control<ComboBox>(IDC_VISIT_COMPLAINT)->lineEdit();
        GuiSession::type(*visit, IDC_VISIT_COMPLAINT, "cOU");
        QCOMPARE(edit->text(), QString("Cough"));
        QCOMPARE(edit->selectedText(), QString("gh"));
        VERIFY_BOXES(s);
    }

    void deletingKeysRemoveTheTailAndDoNotComplete() {
        GuiSession s;
        DrugBox box(s, {"PARACETAMOL 500MG"});
        box.type("pa");
        box.key(Qt::Key_Backspace);
        QCOMPARE(box.text(), QString("PA"));
        QVERIFY(box.selected().isEmpty());
        QVERIFY(!box.owner().autoComplete);
        box.key(Qt::Key_Backspace);
        QCOMPARE(box.text(), QString("P"));
        box.type("a");
        QCOMPARE(box.text(), QString("PARACETAMOL 500MG"));
        box.key(Qt::Key_Delete);
        QCOMPARE(box.text(), QString("PA"));
        QCOMPARE(box.caret(), 2);
        VERIFY_BOXES(s);
    }

    void textPastedBeforeAnyKeyDoesNotComplete() {
        GuiSession s;
        DrugBox box(s, {"IBUPROFEN 400MG"});
        QApplication::clipboard()->setText("ibu");
        box.edit()->paste();
        QCOMPARE(box.text(), QString("IBU"));
        QVERIFY(box.selected().isEmpty());
        box.type("p");
        QCOMPARE(box.text(), QString("IBUPROFEN 400MG"));
        QCOMPARE(box.selected(), QString("ROFEN 400MG"));
        VERIFY_BOXES(s);
    }

    void editingInsideTheTextKeepsTheCaret() {
        GuiSession s;
        DrugBox box(s, {"IBUPROFEN"});
        box.type("xyz");
        box.key(Qt::Key_Home);
        box.key(Qt::Key_Right);
        box.type("q");
        QCOMPARE(box.text(), QString("XQYZ"));
        QCOMPARE(box.caret(), 2);
        QVERIFY(box.selected().isEmpty());

        // Inside the text, even a match leaves the caret where the user put it.
        box.edit()->clear();
        box.type("i");
        box.type("uprofen");
        QCOMPARE(box.text(), QString("IUPROFEN"));
        box.key(Qt::Key_Home);
        box.key(Qt::Key_Right);
        box.type("b");
        QCOMPARE(box.text(), QString("IBUPROFEN"));
        QCOMPARE(box.caret(), 2);
        QVERIFY(box.selected().isEmpty());
        VERIFY_BOXES(s);
    }

    void withoutAMatchTheTextStaysAsTypedWithTheCaretAtItsEnd() {
        GuiSession s;
        DrugBox box(s, {"IBUPROFEN"});
        box.type("ix");
        QCOMPARE(box.text(), QString("IX"));
        QCOMPARE(box.caret(), 2);
        QVERIFY(box.selected().isEmpty());
        QCOMPARE(box.owner().drugBox()->currentIndex(), -1);
        VERIFY_BOXES(s);
    }

    void ofTwoEntriesSharingAPrefixTheFirstWinsAndTheOtherCanBePicked() {
        GuiSession s;
        DrugBox box(s, {"AMOXICILLIN 500MG", "AMOXICILLIN 250MG"});
        box.type("amox");
        QCOMPARE(box.text(), QString("AMOXICILLIN 250MG"));
        ComboBox* combo = box.owner().drugBox();
        combo->showPopup();
        QAbstractItemView* list = combo->view();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(box.text(), QString("AMOXICILLIN 500MG"));
        VERIFY_BOXES(s);
    }

    void anEmptyListNeverChangesTheText() {
        GuiSession s;
        DrugBox box(s, {});
        box.type("abc");
        QCOMPARE(box.text(), QString("ABC"));
        QCOMPARE(box.caret(), 3);
        QVERIFY(box.selected().isEmpty());
        box.key(Qt::Key_Left);
        box.type("d");
        QCOMPARE(box.text(), QString("ABDC"));
        QCOMPARE(box.caret(), 3);
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(CompletionTest)
#include "CompletionTest.moc"

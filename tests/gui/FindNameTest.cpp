// Locating a patient by name: the name box in load order, completion and the drop-down
// choosing the patient, and what may never open a record.

#include "GuiSession.h"

#include "app/MainMenu.h"
#include "app/Screens.h"
#include "platform/ComboBox.h"
#include "platform/FieldValidator.h"
#include "res/resource.h"
#include "screens/FindName.h"
#include "screens/ViewRec.h"
#include "store/store.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

namespace {

const BoxRecord kNoSuchPatient{"Patient doesn't not exist", "Information", MsgIcon::Information,
                               MsgButtons::Ok};
const BoxRecord kEmptyName{"Patient's name filed cannot be empty", "Error", MsgIcon::Information,
                           MsgButtons::Ok};

std::string addPatient(const std::string& first, const std::string& last) {
    PatientRecord patient;
    if (!patient.Add(first, last, DateTime::fromCivil(1990, 7, 2), 0, "", ""))
        qFatal("cannot add a patient");
    return patient.m_id;
}

FindName* openFindName(GuiSession& s) {
    GuiSession::click(*s.activeView(), IDC_MAIN_FIND_NAME);
    return s.active<FindName>();
}

ComboBox* nameBox(FindName& find) {
    return find.control<ComboBox>(IDC_FINDNAME_NAME);
}

QLineEdit* nameField(FindName& find) {
    return nameBox(find)->lineEdit();
}

// Opens the drop-down list and clicks the entry in that row.
void chooseFromDropDown(FindName& find, int row) {
    ComboBox* box = nameBox(find);
    box->showPopup();
    QAbstractItemView* list = box->view();
    const QRect entry = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    GuiSession::settle();
}

// Presses "Locate" and gives the patient whose record opened; empty when none did.
std::string locate(GuiSession& s, FindName& find) {
    GuiSession::click(find, IDC_FINDNAME_LOCATE);
    ViewRec* record = s.active<ViewRec>();
    return record ? record->patientId : std::string();
}

} // namespace

class FindNameTest : public QObject {
    Q_OBJECT

private slots:
    void theBoxListsEveryPatientInLoadOrder() {
        GuiSession s;
        const std::string zed = addPatient("Zed", "Adams");
        const std::string amy = addPatient("Amy", "Zorn");
        FindName* find = openFindName(s);
        QCOMPARE(s.activeTitle(), QString("Locate patient by name"));
        QCOMPARE(nameBox(*find)->entries(), QStringList({"Zed Adams", "Amy Zorn"}));
        QCOMPARE(find->patientIds, std::vector<std::string>({zed, amy}));
        QCOMPARE(find->selectedIndex, -1);
        QCOMPARE(nameField(*find)->text(), QString());
        QCOMPARE(FieldValidator::of(nameField(*find))->maxChars(), 102);
        QCOMPARE(find->controlWidget(IDC_FINDNAME_NAME)->accessibleName(),
                 QString("Patient's name *"));
        VERIFY_BOXES(s);
    }

    void completionChoosesTheFirstOfTwoEqualNames() {
        GuiSession s;
        const std::string first = addPatient("John", "Smith");
        addPatient("Anna", "Berg");
        addPatient("John", "Smith");
        FindName* find = openFindName(s);
        GuiSession::type(*find, IDC_FINDNAME_NAME, "jO");
        QCOMPARE(nameField(*find)->text(), QString("John Smith"));
        QCOMPARE(nameField(*find)->selectedText(), QString("hn Smith"));
        QCOMPARE(find->selectedIndex, 0);
        QCOMPARE(locate(s, *find), first);
        VERIFY_BOXES(s);
    }

    void theDropDownChoosesTheSecond() {
        GuiSession s;
        addPatient("John", "Smith");
        addPatient("Anna", "Berg");
        const std::string second = addPatient("John", "Smith");
        FindName* find = openFindName(s);
        GuiSession::type(*find, IDC_FINDNAME_NAME, "jo");
        chooseFromDropDown(*find, 2);
        QCOMPARE(find->selectedIndex, 2);
        QCOMPARE(nameField(*find)->text(), QString("John Smith"));
        // Enter in the box is no new choice: the same name stands first in the list.
        GuiSession::key(*find, IDC_FINDNAME_NAME, Qt::Key_Return);
        QCOMPARE(s.active<FindName>(), find);
        QCOMPARE(locate(s, *find), second);
        VERIFY_BOXES(s);
    }

    void backspaceAfterACompletionKeepsTheChoice() {
        GuiSession s;
        addPatient("Anna", "Berg");
        const std::string anton = addPatient("Anton", "Weiss");
        FindName* find = openFindName(s);
        GuiSession::type(*find, IDC_FINDNAME_NAME, "anT");
        QCOMPARE(nameField(*find)->text(), QString("Anton Weiss"));
        GuiSession::key(*find, IDC_FINDNAME_NAME, Qt::Key_Backspace);
        GuiSession::key(*find, IDC_FINDNAME_NAME, Qt::Key_Backspace);
        QCOMPARE(nameField(*find)->text(), QString("An"));
        QCOMPARE(find->selectedIndex, 1);
        QCOMPARE(locate(s, *find), anton);
        VERIFY_BOXES(s);
    }

    void anEmptyBoxIsRefusedEvenWithAPatientChosen() {
        GuiSession s;
        addPatient("Anna", "Berg");
        FindName* find = openFindName(s);
        GuiSession::type(*find, IDC_FINDNAME_NAME, "an");
        QCOMPARE(find->selectedIndex, 0);
        GuiSession::key(*find, IDC_FINDNAME_NAME, Qt::Key_Backspace);
        GuiSession::key(*find, IDC_FINDNAME_NAME, Qt::Key_Backspace);
        GuiSession::key(*find, IDC_FINDNAME_NAME, Qt::Key_Backspace);
        QCOMPARE(nameField(*find)->text(), QString());
        s.boxes().expectBox(kEmptyName);
        QCOMPARE(locate(s, *find), std::string());
        QCOMPARE(s.active<FindName>(), find);
        VERIFY_BOXES(s);
    }

    void aNameOfNobodyIsNotFound() {
        GuiSession s;
        addPatient("Anna", "Berg");
        FindName* find = openFindName(s);
        GuiSession::type(*find, IDC_FINDNAME_NAME, "anx");
        QCOMPARE(nameField(*find)->text(), QString("Anx"));
        QCOMPARE(nameField(*find)->cursorPosition(), 3);
        QCOMPARE(find->selectedIndex, -1);
        s.boxes().expectBox(kNoSuchPatient);
        QCOMPARE(locate(s, *find), std::string());
        VERIFY_BOXES(s);
    }

    void anEmptyDatabaseFindsNobody() {
        GuiSession s;
        FindName* find = openFindName(s);
        QVERIFY(nameBox(*find)->entries().isEmpty());
        GuiSession::type(*find, IDC_FINDNAME_NAME, "Bob");
        QCOMPARE(nameField(*find)->text(), QString("Bob"));
        s.boxes().expectBox(kNoSuchPatient);
        QCOMPARE(locate(s, *find), std::string());
        VERIFY_BOXES(s);
    }

    // Once the box no longer shows a beginning of the chosen patient's name, that patient
    // is no longer chosen: neither deleting nor pasting can open the wrong record.
    void whatNoLongerNamesTheChosenPatientOpensNothing() {
        GuiSession s;
        addPatient("Dan", "Marks");
        addPatient("Marks", "Lee");
        FindName* find = openFindName(s);
        GuiSession::type(*find, IDC_FINDNAME_NAME, "da");
        QCOMPARE(find->selectedIndex, 0);
        GuiSession::key(*find, IDC_FINDNAME_NAME, Qt::Key_Home);
        for (int i = 0; i < 4; ++i)
            GuiSession::key(*find, IDC_FINDNAME_NAME, Qt::Key_Delete);
        QCOMPARE(nameField(*find)->text(), QString("Marks"));
        QCOMPARE(find->selectedIndex, 0);
        s.boxes().expectBox(kNoSuchPatient);
        QCOMPARE(locate(s, *find), std::string());

        // Select all and paste, as with the mouse: no key, so no completion either.
        QApplication::clipboard()->setText("Marks Lee");
        nameField(*find)->selectAll();
        nameField(*find)->paste();
        QCOMPARE(nameField(*find)->text(), QString("Marks Lee"));
        s.boxes().expectBox(kNoSuchPatient);
        QCOMPARE(locate(s, *find), std::string());
        QCOMPARE(s.active<FindName>(), find);
        VERIFY_BOXES(s);
    }

    void anUnreadableListLeavesTheBoxEmpty() {
        GuiSession s;
        addPatient("Anna", "Berg");
        TestRecords::current().takeAway();
        s.boxes().expectBox({"Error fetching patients names list", "Error", MsgIcon::Stop,
                             MsgButtons::Ok});
        FindName* find = openFindName(s);
        TestRecords::current().bringBack();
        QVERIFY(find);
        QVERIFY(nameBox(*find)->entries().isEmpty());
        VERIFY_BOXES(s);
    }

    void cancelGoesBackToTheMainMenu() {
        GuiSession s;
        FindName* find = openFindName(s);
        GuiSession::click(*find, IDC_FINDNAME_CANCEL);
        QVERIFY(s.active<MainMenu>());
        QCOMPARE(GuiSession::openCount(SCREEN_FIND_NAME), 0);
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(FindNameTest)
#include "FindNameTest.moc"

// The main menu's "List all patients" and the search results screen: empty and long lists,
// the last column's room for the scroll bar, opening a record and closing, and the search box
// that narrows the list as the user types.

#include "RecordSupport.h"

#include "app/MainMenu.h"
#include "res/resource.h"
#include "screens/ViewResults.h"

#include <QLabel>
#include <QLineEdit>

using namespace records;

namespace {

const BoxRecord kNoSelection{"No selected record", "Error", MsgIcon::Information};

// Many patients at once, in one transaction, named "First<n>" and "Last<n>" from 1.
void addPatients(int count) {
    std::string sql = "BEGIN;";
    for (int n = 1; n <= count; ++n)
        sql += "INSERT INTO patient_info (first_name, last_name, DOB, Gender, address, telephone)"
               " VALUES ('First" +
               std::to_string(n) + "', 'Last" + std::to_string(n) +
               "', '1990-01-01 00:00:00', 0, '', '');";
    runSql(sql + "COMMIT;");
}

ViewResults* listAll(GuiSession& s) {
    GuiSession::click(*s.activeView(), IDC_MAIN_LIST_ALL);
    return s.active<ViewResults>();
}

ListView* resultsList(ViewResults& results) {
    return results.control<ListView>(IDC_RESULTS_LIST);
}

QLineEdit* searchBox(ViewResults& results) {
    return results.control<QLineEdit>(IDC_RESULTS_SEARCH);
}

// Replaces the box's text as a user would: select all, then type.
void typeSearch(ViewResults& results, const QString& text) {
    QLineEdit* box = searchBox(results);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, text);
}

// "first last" of each row.
QStringList shownNames(ViewResults& results) {
    ListView* list = resultsList(results);
    QStringList names;
    for (int row = 0; row < list->rowCountNow() && results.hasResults; ++row)
        names << list->cellText(row, 1) + " " + list->cellText(row, 2);
    return names;
}

QString countNote(ViewResults& results) {
    return results.control<QLabel>(IDC_RESULTS_COUNT)->text();
}

} // namespace

class ViewResultsTest : public QObject {
    Q_OBJECT

private slots:
    void anEmptyClinicListsNoMatches() {
        GuiSession s;
        ViewResults* results = listAll(s);
        QVERIFY(results);
        QCOMPARE(s.activeTitle(), QString("Search results"));
        QCOMPARE(GuiSession::openCount(SCREEN_MAIN_MENU), 0);
        ListView* list = resultsList(*results);
        QCOMPARE(titles(list), QStringList{"Results"});
        QCOMPARE(widths(list), QList<int>{560});
        QCOMPARE(list->rowCountNow(), 1);
        QCOMPARE(list->cellText(0, 0), QString("0 Matches found."));
        QVERIFY(!results->hasResults);
        QVERIFY(!results->controlWidget(IDC_RESULTS_DISPLAY)->isEnabled());
        doubleClickRow(list, 0);
        s.frame().routeCommand(ID_RESULTS_DISPLAY);
        GuiSession::settle();
        QCOMPARE(s.active<ViewResults>(), results);
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_REC), 0);
        VERIFY_BOXES(s);
    }

    void patientsAreListedInStoredOrderAndTheLastColumnMakesRoomWhenTheyOverflow() {
        GuiSession s;
        ViewResults* results = listAll(s);
        const int fit = resultsList(*results)->countPerPage();
        QVERIFY(fit > 5);
        GuiSession::click(*results, IDC_RESULTS_CLOSE);

        addPatients(fit);
        results = listAll(s);
        ListView* list = resultsList(*results);
        QCOMPARE(titles(list), (QStringList{"Patient ID#", "First Name", "Last Name"}));
        QCOMPARE(widths(list), (QList<int>{70, 256, 256}));
        QCOMPARE(list->rowCountNow(), fit);
        QVERIFY(results->hasResults);
        QVERIFY(results->controlWidget(IDC_RESULTS_DISPLAY)->isEnabled());
        PatientNameList stored;
        QVERIFY(stored.FetchAll());
        for (int row = 0; row < fit; ++row) {
            QCOMPARE(list->cellText(row, 0), QString::fromStdString(stored.m_ids[row]));
            QCOMPARE(list->cellText(row, 1), QString("First%1").arg(row + 1));
            QCOMPARE(list->cellText(row, 2), QString("Last%1").arg(row + 1));
        }
        GuiSession::click(*results, IDC_RESULTS_CLOSE);
        QVERIFY(s.active<MainMenu>());

        addPatients(1);
        results = listAll(s);
        QCOMPARE(resultsList(*results)->rowCountNow(), fit + 1);
        QCOMPARE(widths(resultsList(*results)), (QList<int>{70, 256, 241}));
        VERIFY_BOXES(s);
    }

    void displayNeedsASelectedRowAndOpensItsRecord() {
        GuiSession s;
        addPatients(30);
        ViewResults* results = listAll(s);
        s.boxes().expectBox(kNoSelection);
        GuiSession::click(*results, IDC_RESULTS_DISPLAY);
        QCOMPARE(s.active<ViewResults>(), results);

        ListView* list = resultsList(*results);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 24));
        const QString shownId = list->cellText(24, 0);
        GuiSession::click(*results, IDC_RESULTS_DISPLAY);
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_RESULTS), 0);
        auto* rec = s.active<ViewRec>();
        QVERIFY(rec);
        QCOMPARE(rec->control<QLineEdit>(IDC_REC_FIRST_NAME)->text(), QString("First25"));
        QCOMPARE(rec->control<QLineEdit>(IDC_REC_PATIENT_NUMBER)->text(), shownId);

        // Leaving the record leads to the main menu, not back to the results.
        GuiSession::click(*rec, IDC_REC_CLOSE);
        QVERIFY(s.active<MainMenu>());
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_RESULTS), 0);
        VERIFY_BOXES(s);
    }

    void aDoubleClickAndTheMenuCommandOpenTheRecordToo() {
        GuiSession s;
        addPatients(3);
        ViewResults* results = listAll(s);
        doubleClickRow(resultsList(*results), 2);
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_RESULTS), 0);
        QCOMPARE(s.active<ViewRec>()->control<QLineEdit>(IDC_REC_LAST_NAME)->text(),
                 QString("Last3"));
        GuiSession::click(*s.activeView(), IDC_REC_CLOSE);

        results = listAll(s);
        s.boxes().expectBox(kNoSelection);
        s.frame().routeCommand(ID_RESULTS_DISPLAY);
        resultsList(*results)->selectRow(0);
        s.frame().routeCommand(ID_RESULTS_DISPLAY);
        GuiSession::settle();
        QCOMPARE(s.active<ViewRec>()->control<QLineEdit>(IDC_REC_LAST_NAME)->text(),
                 QString("Last1"));
        VERIFY_BOXES(s);
    }

    // Another program, or a restored file, can hold any key; listing never sizes itself by one.
    void patientsWithExtremeKeysAreListed() {
        GuiSession s;
        // Only an administrator can give the server's keys.
        const std::string givenKeys = TestRecords::onServer() ? " OVERRIDING SYSTEM VALUE" : "";
        runSql("INSERT INTO patient_info (ID, first_name, last_name, DOB)" + givenKeys +
               " VALUES (2000000000, 'Big', 'Key', '1980-01-01 00:00:00'),"
               " (-7, 'Negative', 'Key', '1980-01-01 00:00:00')");
        ViewResults* results = listAll(s);
        QVERIFY(results);
        QCOMPARE(column(resultsList(*results), 0), QStringList({"-7", "2000000000"}));
        VERIFY_BOXES(s);
    }

    void closeGoesBackToTheMainMenu() {
        GuiSession s;
        addPatients(2);
        listAll(s);
        s.frame().routeCommand(ID_RESULTS_CLOSE);
        GuiSession::settle();
        QVERIFY(s.active<MainMenu>());
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_RESULTS), 0);
        VERIFY_BOXES(s);
    }

    void aPatientListThatCannotBeReadKeepsTheMainMenu() {
        GuiSession s;
        {
            DatabaseAway away;
            s.boxes().expectBox({"Error fetching patients list", "Error", MsgIcon::Stop});
            GuiSession::click(*s.activeView(), IDC_MAIN_LIST_ALL);
        }
        QVERIFY(s.active<MainMenu>());
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_RESULTS), 0);
        VERIFY_BOXES(s);
    }

    // Each keystroke narrows the list at once; the first row is chosen, so Enter opens it,
    // and Up and Down in the box choose another.
    void typingNarrowsTheListAndEnterOpensTheChosenPatient() {
        GuiSession s;
        addPatient("John", "Smith");
        const std::string anna = addPatient("Anna", "Johnson");
        addPatient("José", "Núñez");
        addPatient("Zoë", "Smithers");
        ViewResults* results = listAll(s);
        QCOMPARE(searchBox(*results)->text(), QString());
        QCOMPARE(shownNames(*results).size(), 4);
        QCOMPARE(resultsList(*results)->firstSelectedRow(), -1);
        QCOMPARE(QApplication::focusWidget(), searchBox(*results));

        QTest::keyClicks(searchBox(*results), "s");
        QCOMPARE(shownNames(*results), (QStringList{"John Smith", "Zoë Smithers"}));
        QTest::keyClicks(searchBox(*results), "mi j");
        QCOMPARE(shownNames(*results), QStringList{"John Smith"});
        typeSearch(*results, "JOSE NUNEZ");
        QCOMPARE(shownNames(*results), QStringList{"José Núñez"});
        QCOMPARE(resultsList(*results)->firstSelectedRow(), 0);
        typeSearch(*results, "zzz");
        QCOMPARE(resultsList(*results)->cellText(0, 0), QString("0 Matches found."));
        QVERIFY(!results->controlWidget(IDC_RESULTS_DISPLAY)->isEnabled());
        QTest::keyClick(searchBox(*results), Qt::Key_Return);
        QCOMPARE(s.active<ViewResults>(), results);
        typeSearch(*results, "");
        QCOMPARE(shownNames(*results).size(), 4);
        QCOMPARE(countNote(*results), QString());

        // A last-name match comes first: Johnson, then John Smith.
        typeSearch(*results, "jo");
        QCOMPARE(shownNames(*results), (QStringList{"Anna Johnson", "José Núñez", "John Smith"}));
        QTest::keyClick(searchBox(*results), Qt::Key_Down);
        QTest::keyClick(searchBox(*results), Qt::Key_Down);
        QTest::keyClick(searchBox(*results), Qt::Key_Up);
        QTest::keyClick(searchBox(*results), Qt::Key_Up);
        QTest::keyClick(searchBox(*results), Qt::Key_Up);
        QCOMPARE(resultsList(*results)->firstSelectedRow(), 0);
        QTest::keyClick(searchBox(*results), Qt::Key_Return);
        GuiSession::settle();
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_RESULTS), 0);
        QCOMPARE(s.active<ViewRec>()->control<QLineEdit>(IDC_REC_PATIENT_NUMBER)->text(),
                 QString::fromStdString(anna));
        VERIFY_BOXES(s);
    }

    void numbersFindTheRecordFirstThenTelephonesAndDates() {
        GuiSession s;
        PatientRecord record;
        QVERIFY(
            record.Add("Ida", "Bell", DateTime::fromCivil(1961, 9, 30), 0, "", "(020) 7946-0958"));
        QVERIFY(record.Add("Max", "Bell", DateTime::fromCivil(1999, 1, 2), 0, "", "0958 111"));
        ViewResults* results = listAll(s);
        typeSearch(*results, "0958");
        QCOMPARE(shownNames(*results), (QStringList{"Ida Bell", "Max Bell"}));
        typeSearch(*results, "79460958");
        QCOMPARE(shownNames(*results), QStringList{"Ida Bell"});
        typeSearch(*results, "30.9.61");
        QCOMPARE(shownNames(*results), QStringList{"Ida Bell"});
        typeSearch(*results, QString::fromStdString(record.m_id));
        QCOMPARE(shownNames(*results), QStringList{"Max Bell"});
        doubleClickRow(resultsList(*results), 0);
        QCOMPARE(s.active<ViewRec>()->control<QLineEdit>(IDC_REC_FIRST_NAME)->text(),
                 QString("Max"));
        VERIFY_BOXES(s);
    }

    void moreThanFiveHundredFoundShowsTheFirstAndSaysHowMany() {
        GuiSession s;
        PatientRecord record;
        for (int n = 0; n < 501; ++n)
            QVERIFY(record.Add("Many", "Lee", DateTime::fromCivil(1970, 1, 1), 0, "", ""));
        ViewResults* results = listAll(s);
        QCOMPARE(countNote(*results), QString());
        typeSearch(*results, "lee");
        QCOMPARE(resultsList(*results)->rowCountNow(), 500);
        QCOMPARE(countNote(*results), QString("500 of 501 patients; type more to narrow"));
        typeSearch(*results, "");
        QCOMPARE(resultsList(*results)->rowCountNow(), 501);
        QCOMPARE(countNote(*results), QString());
        VERIFY_BOXES(s);
    }

    void aSearchThatCannotRunSaysSoAndKeepsTheList() {
        GuiSession s;
        addPatient("John", "Smith");
        ViewResults* results = listAll(s);
        {
            DatabaseAway away;
            s.boxes().expectBox({"Error fetching patients list", "Error", MsgIcon::Stop});
            QTest::keyClicks(searchBox(*results), "j");
        }
        QCOMPARE(shownNames(*results), QStringList{"John Smith"});
        QCOMPARE(s.active<ViewResults>(), results);
        VERIFY_BOXES(s);
    }

    void namesShorterThanTheIdsLeaveEmptyCells() {
        GuiSession s;
        CMainFrame::OpenViewResults();
        auto* results = CMainFrame::ScreenView<ViewResults>(SCREEN_VIEW_RESULTS);
        results->resultIds = {"1", "2"};
        results->resultFirstNames = {"Ann"};
        results->ShowResults();
        QCOMPARE(resultsList(*results)->rowCountNow(), 2);
        QCOMPARE(resultsList(*results)->cellText(1, 1), QString());
        QCOMPARE(resultsList(*results)->cellText(0, 1), QString("Ann"));
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(ViewResultsTest)
#include "ViewResultsTest.moc"

#pragma once

// What the patient record tests share: patients stored behind the screens' backs, the record
// screen opened as its openers do, tables or the whole records made to fail, and report lists
// read and clicked as a user would.

#include "GuiSession.h"

#include "app/Screens.h"
#include "platform/ListView.h"
#include "screens/ViewRec.h"
#include "store/store.h"

#include <string>

namespace records {

inline void runSql(const std::string& sql) {
    if (!TestRecords::current().run(sql))
        qFatal("%s failed", sql.c_str());
}

// Every operation on the table fails while this lives.
class TableAway {
public:
    explicit TableAway(std::string table) : table(std::move(table)) {
        runSql("ALTER TABLE " + this->table + " RENAME TO " + this->table + "_away");
    }
    ~TableAway() { runSql("ALTER TABLE " + table + "_away RENAME TO " + table); }

private:
    std::string table;
};

// Every operation fails while this lives.
class DatabaseAway {
public:
    DatabaseAway() { TestRecords::current().takeAway(); }
    ~DatabaseAway() { TestRecords::current().bringBack(); }
};

inline std::string addPatient(const std::string& first = "Nadia",
                              const std::string& last = "Aziz") {
    PatientRecord patient;
    patient.Add(first, last, DateTime::fromCivil(1980, 5, 17, 8, 15), 1, "3 Olive Lane", "555");
    return patient.m_id;
}

// Opens the record screen as its openers do; an open one goes first, as it does when the
// user leaves it.
inline ViewRec* openRecord(GuiSession& s, const std::string& id) {
    CMainFrame::CloseViewRec();
    CMainFrame::OpenViewRec();
    auto* rec = CMainFrame::ScreenView<ViewRec>(SCREEN_VIEW_REC);
    rec->patientId = id;
    rec->LoadPatient();
    CMainFrame::CloseMainMenu();
    GuiSession::settle();
    return s.active<ViewRec>();
}

inline QStringList titles(ListView* list) {
    QStringList result;
    for (int c = 0; c < list->columnCountNow(); ++c)
        result << list->model()->headerData(c, Qt::Horizontal).toString();
    return result;
}

inline QList<int> widths(ListView* list) {
    QList<int> result;
    for (int c = 0; c < list->columnCountNow(); ++c)
        result << list->columnWidth(c);
    return result;
}

inline QStringList column(ListView* list, int c) {
    QStringList cells;
    for (int row = 0; row < list->rowCountNow(); ++row)
        cells << list->cellText(row, c);
    return cells;
}

inline QPoint rowCentre(ListView* list, int row) {
    list->scrollTo(list->model()->index(row, 0));
    return list->visualRect(list->model()->index(row, 0)).center();
}

inline void clickRow(ListView* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, row));
}

// What the system sends for a double-click: press, release, double-click, release.
inline void doubleClickRow(ListView* list, int row) {
    const QPoint at = rowCentre(list, row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    GuiSession::settle();
}

} // namespace records

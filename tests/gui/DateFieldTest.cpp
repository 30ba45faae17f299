// Typing a date into the date of birth after clicking the field, on the two screens that take
// one: whichever part was clicked, the typed date is the field's, and "/" never leaves it.

#include "RecordSupport.h"

#include "platform/MultiLineEdit.h"
#include "res/resource.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QLineEdit>

using namespace records;

namespace {

struct DateScreen {
    int field;
    int address;
};

// Opens the screen, the add patient screen or the record of a patient born on 17/05/1980.
FormView* openScreen(GuiSession& s, const QString& screen) {
    if (screen == "record")
        return openRecord(s, addPatient());
    GuiSession::click(*s.activeView(), IDC_MAIN_ADD_PATIENT);
    return s.activeView();
}

DateScreen controlsOf(const QString& screen) {
    if (screen == "record")
        return {IDC_REC_DOB, IDC_REC_ADDRESS};
    return {IDC_ADDNEW_DOB, IDC_ADDNEW_ADDRESS};
}

// Clicks the field inside its day (0), month (1) or year (2), where "dd/MM/yyyy" draws it.
bool clickPart(QDateTimeEdit& field, int part) {
    auto* text = field.findChild<QLineEdit*>();
    const int inside = part * 3 + 1;
    const int middle = text->height() / 2;
    for (int x = 0; x < text->width(); ++x)
        if (text->cursorPositionAt(QPoint(x, middle)) == inside) {
            QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(x, middle));
            return true;
        }
    return false;
}

// Each key goes where the keyboard focus is, as the user's keys do.
void typeWhereTheFocusIs(const QString& keys) {
    for (const QChar key : keys)
        QTest::keyClicks(QApplication::focusWidget(), QString(key));
}

} // namespace

class DateFieldTest : public QObject {
    Q_OBJECT

private slots:
    void aClickedDateFieldTakesTheTypedDate_data() {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("part");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("date");
        const char* parts[] = {"day", "month", "year"};
        for (int part = 0; part < 3; ++part) {
            QTest::addRow("add new, %s clicked", parts[part])
                << "add new" << part << "17/05/1980" << QDate(1980, 5, 17);
            QTest::addRow("record, %s clicked", parts[part])
                << "record" << part << "03/11/1975" << QDate(1975, 11, 3);
        }
        QTest::newRow("without slashes") << "add new" << 0 << "17051980" << QDate(1980, 5, 17);
        QTest::newRow("one digit parts") << "add new" << 1 << "7/5/1980" << QDate(1980, 5, 7);
        QTest::newRow("a one that may go on") << "record" << 0 << "1/12/1980" << QDate(1980, 12, 1);
        QTest::newRow("month and year only") << "record" << 1 << "11/1975" << QDate(1975, 11, 17);
        QTest::newRow("year only") << "record" << 2 << "1975" << QDate(1975, 5, 17);
    }
    void aClickedDateFieldTakesTheTypedDate() {
        QFETCH(QString, screen);
        QFETCH(int, part);
        QFETCH(QString, typed);
        QFETCH(QDate, date);
        GuiSession s;
        FormView* view = openScreen(s, screen);
        QVERIFY(view);
        const DateScreen controls = controlsOf(screen);
        auto* field = view->control<QDateTimeEdit>(controls.field);
        const QString address = view->control<MultiLineEdit>(controls.address)->toPlainText();

        QVERIFY(clickPart(*field, part));
        typeWhereTheFocusIs(typed);
        QCOMPARE(field->date(), date);
        QVERIFY(field->hasFocus());
        QCOMPARE(view->control<MultiLineEdit>(controls.address)->toPlainText(), address);
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(DateFieldTest)
#include "DateFieldTest.moc"

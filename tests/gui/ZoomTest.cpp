// Screens in a larger main window: drawn larger up to 150 %, the patient lists taking the
// room, the zoom commands, and the window and zoom kept for the next start.

#include "RecordSupport.h"

#include "app/MainMenu.h"
#include "platform/Dialog.h"
#include "platform/FormBuilder.h"
#include "platform/FormScale.h"
#include "platform/MultiLineEdit.h"
#include "res/resource.h"
#include "screens/ViewResults.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextBlock>

using namespace records;

namespace {

constexpr double kTolerance = 0.005;

// A maximised window on a 1920×1080 desktop, in the room it has under a window manager's
// title bar.
const QSize kMaximisedFullHd(1920, 1050);

void resizeFrame(GuiSession& s, QSize size) {
    s.frame().resize(size);
    GuiSession::settle();
}

void zoomKey(GuiSession& s, Qt::Key key) {
    QTest::keyClick(&s.frame(), key, Qt::ControlModifier);
    GuiSession::settle();
}

bool wholeInView(FormView& view, QWidget* control) {
    const QRect inView(control->mapTo(&view, QPoint(0, 0)), control->size());
    return view.rect().contains(inView);
}

bool wholeInView(FormView& view, int controlId) {
    return wholeInView(view, view.controlWidget(controlId));
}

using Opener = bool (*)();

struct Screen {
    const char* name;
    Opener open;
};

const Screen kEveryScreen[] = {
    {"main menu", CMainFrame::OpenMainMenu},
    {"add new", CMainFrame::OpenAddNew},
    {"find by number", CMainFrame::OpenFindID},
    {"find by name", CMainFrame::OpenFindName},
    {"search results", CMainFrame::OpenViewResults},
    {"record", CMainFrame::OpenViewRec},
    {"visit", CMainFrame::OpenViewComplaint},
    {"prescription", CMainFrame::OpenIssuPrescription},
    {"clinic details", CMainFrame::OpenEditClinicInfo1},
    {"vital signs charts", CMainFrame::OpenVitalCharts},
};

// The controls of a screen that lie outside its window, by accessible name or class.
QStringList outsideTheWindow(FormView& view) {
    QStringList outside;
    for (QWidget* control : view.widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!wholeInView(view, control))
            outside << (control->accessibleName().isEmpty() ? control->metaObject()->className()
                                                            : control->accessibleName());
    return outside;
}

// Whether the block lies whole inside the box, not cut at its top or bottom.
bool shownWhole(MultiLineEdit& box, const QTextBlock& block) {
    const QRect line = box.cursorRect(QTextCursor(block));
    return line.top() >= 0 && line.bottom() < box.viewport()->height();
}

// How tall a radio button's mark is beside its text.
double markBesideText(QRadioButton& radio) {
    QStyleOptionButton option;
    option.initFrom(&radio);
    const QRect mark =
        radio.style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, &radio);
    return double(mark.height()) / QFontMetrics(radio.font()).height();
}

} // namespace

class ZoomTest : public QObject {
    Q_OBJECT

private slots:
    void theFirstWindowSuitsTheDesktop() {
        GuiSession s;
        const QSize desktop = QGuiApplication::primaryScreen()->size();
        if (desktop.width() >= 1280 && desktop.height() >= 800)
            QVERIFY(s.frame().isMaximized());
        else
            QCOMPARE(s.frame().size(), QSize(640, 480));
    }

    // The scale grows with the window up to 150 %, and never beyond what fits.
    void screensGrowWithTheWindow_data() {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<double>("scale");
        QTest::newRow("as drawn") << QSize(640, 480) << 1.0;
        QTest::newRow("a little larger") << QSize(800, 600) << 1.25;
        QTest::newRow("as large as it goes") << QSize(1280, 800) << 1.5;
        QTest::newRow("full HD") << kMaximisedFullHd << 1.5;
        QTest::newRow("smaller than drawn") << QSize(500, 400) << 1.0;
    }
    void screensGrowWithTheWindow() {
        QFETCH(QSize, window);
        QFETCH(double, scale);
        GuiSession s;
        resizeFrame(s, window);
        QVERIFY(qAbs(s.activeView()->scale() - scale) < kTolerance);
        // The tallest screen is drawn no larger than it fits.
        GuiSession::click(*s.activeView(), IDC_MAIN_ADD_PATIENT);
        FormView* add = s.activeView();
        QVERIFY(add->scale() <= std::max(1.0, add->largestScale()) + kTolerance);
        QVERIFY(add->scale() <= scale + kTolerance);
    }

    // Every screen at the sizes of common windows: when it fits at its drawn size, all of it
    // lies in the window, drawn as large as fits: it fills the window's width or height, or
    // has reached 150 % or as much as the window has grown beyond 640×480. A screen larger than
    // its window scrolls to what is hidden.
    void everyScreenFitsItsWindow_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<QSize>("window");
        for (int i = 0; i < int(std::size(kEveryScreen)); ++i)
            for (QSize window : {QSize(640, 480), QSize(1280, 800), QSize(1920, 1080)})
                QTest::addRow("%s at %dx%d", kEveryScreen[i].name, window.width(),
                              window.height())
                    << i << window;
    }
    void everyScreenFitsItsWindow() {
        QFETCH(int, screen);
        QFETCH(QSize, window);
        GuiSession s;
        resizeFrame(s, window);
        QVERIFY(kEveryScreen[screen].open());
        GuiSession::settle();
        FormView& view = *s.activeView();
        const QSize page = view.widget()->size();
        const QSize room = view.viewport()->size();
        if (page.width() > room.width() || page.height() > room.height()) {
            QCOMPARE(view.scale(), 1.0);
            QVERIFY(page.width() <= room.width() || view.horizontalScrollBar()->maximum() > 0);
            QVERIFY(page.height() <= room.height() || view.verticalScrollBar()->maximum() > 0);
            return;
        }
        const QStringList outside = outsideTheWindow(view);
        QVERIFY2(outside.isEmpty(), qPrintable(outside.join(", ")));
        const bool fillsTheRoom =
            page.width() >= room.width() * 0.98 || page.height() >= room.height() * 0.98;
        const double windowGrowth = std::min(window.width() / 640.0, window.height() / 480.0);
        const double bound = std::min(1.5, windowGrowth);
        QVERIFY2(fillsTheRoom || view.scale() >= bound - kTolerance,
                 qPrintable(QString("at %1 %, %2x%3 of %4x%5")
                                .arg(view.scale() * 100)
                                .arg(page.width())
                                .arg(page.height())
                                .arg(room.width())
                                .arg(room.height())));
    }

    void listsTakeTheRoomOfALargeWindow() {
        GuiSession s;
        for (int i = 0; i < 60; ++i)
            addPatient("Patient", "Number " + std::to_string(i));
        const std::string id = addPatient("Nadia", "Aziz");
        std::vector<std::string> texts(ComplaintRecord::textCount, "finding");
        for (int i = 0; i < 30; ++i)
            ComplaintRecord().Add(id, DateTime::fromCivil(2025, 1, 1 + i), texts);
        resizeFrame(s, kMaximisedFullHd);

        GuiSession::click(*s.activeView(), IDC_MAIN_LIST_ALL);
        auto* results = s.active<ViewResults>();
        QVERIFY(results);
        QVERIFY(results->control<ListView>(IDC_RESULTS_LIST)->countPerPage() >= 40);
        for (int button : {IDC_RESULTS_DISPLAY, IDC_RESULTS_CLOSE})
            QVERIFY(wholeInView(*results, button));

        ViewRec* record = openRecord(s, id);
        QVERIFY(record->control<ListView>(IDC_REC_HISTORY_LIST)->countPerPage() >= 20);
        for (int button : {IDC_REC_ADD, IDC_REC_VIEW_EDIT, IDC_REC_DELETE, IDC_REC_DELETE_RECORD,
                           IDC_REC_CLOSE})
            QVERIFY(wholeInView(*record, button));
    }

    // The record screen at every zoom: its address box shows three lines whole, and the marks
    // of its radio buttons keep to the size of their text as it grows.
    void theRecordScreenKeepsItsProportionsAtEveryZoom_data() {
        QTest::addColumn<int>("steps");
        for (int steps = 0; steps <= 8; ++steps)
            QTest::addRow("%d %%", 100 + 10 * steps) << steps;
    }
    void theRecordScreenKeepsItsProportionsAtEveryZoom() {
        QFETCH(int, steps);
        GuiSession s;
        resizeFrame(s, kMaximisedFullHd);
        ViewRec* record = openRecord(s, addPatient());
        zoomKey(s, Qt::Key_0);
        for (int i = 0; i < steps; ++i)
            zoomKey(s, Qt::Key_Plus);
        QVERIFY(qAbs(record->scale() - (1.0 + 0.1 * steps)) < kTolerance);

        auto* address = record->control<MultiLineEdit>(IDC_REC_ADDRESS);
        GuiSession::key(*record, IDC_REC_ADDRESS, Qt::Key_A, Qt::ControlModifier);
        GuiSession::type(*record, IDC_REC_ADDRESS, "Flat 4, 12 Cedar Street");
        GuiSession::key(*record, IDC_REC_ADDRESS, Qt::Key_Return);
        GuiSession::type(*record, IDC_REC_ADDRESS, "Hamra");
        GuiSession::key(*record, IDC_REC_ADDRESS, Qt::Key_Return);
        GuiSession::type(*record, IDC_REC_ADDRESS, "Beirut 1103");
        GuiSession::settle();
        QCOMPARE(address->document()->blockCount(), 3);
        for (QTextBlock line = address->document()->begin(); line.isValid(); line = line.next())
            QVERIFY2(shownWhole(*address, line), qPrintable(line.text()));

        const double atActualSize =
            double(QApplication::style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth)) /
            QFontMetrics(FormBuilder::formFont()).height();
        for (int id : {IDC_REC_FEMALE, IDC_REC_VISITS}) {
            const double beside = markBesideText(*record->control<QRadioButton>(id));
            QVERIFY2(
                qAbs(beside / atActualSize - 1.0) < 0.2,
                qPrintable(
                    QString("%1 of the text's height, %2 at 100 %").arg(beside).arg(atActualSize)));
        }
        VERIFY_BOXES(s);
    }

    // View › Fit to window takes back the zoom chosen, now and at the next start, and the
    // screens follow the window again.
    void fitToWindowTakesBackTheChosenZoom() {
        GuiSession s;
        resizeFrame(s, kMaximisedFullHd);
        zoomKey(s, Qt::Key_0);
        QCOMPARE(s.activeView()->scale(), 1.0);
        QAction* fit = s.menuEntry("&View", "&Fit to window");
        QVERIFY(fit && fit->isEnabled());
        fit->trigger();
        GuiSession::settle();
        QVERIFY(qAbs(s.activeView()->scale() - 1.5) < kTolerance);

        s.restart();
        QVERIFY(qAbs(s.activeView()->scale() - 1.5) < kTolerance);
        resizeFrame(s, QSize(800, 600));
        QVERIFY(qAbs(s.activeView()->scale() - 1.25) < kTolerance);
        VERIFY_BOXES(s);
    }

    void zoomKeysStepWithinWhatFitsAndSurviveARestart() {
        GuiSession s;
        resizeFrame(s, QSize(1280, 800));
        QVERIFY(qAbs(s.activeView()->scale() - 1.5) < kTolerance);
        zoomKey(s, Qt::Key_Minus);
        zoomKey(s, Qt::Key_Minus);
        QVERIFY(qAbs(s.activeView()->scale() - 1.3) < kTolerance);
        zoomKey(s, Qt::Key_0);
        QCOMPARE(s.activeView()->scale(), 1.0);
        zoomKey(s, Qt::Key_Plus);
        QVERIFY(qAbs(s.activeView()->scale() - 1.1) < kTolerance);
        // Zooming in stops where the screen would no longer fit.
        for (int i = 0; i < 30; ++i)
            zoomKey(s, Qt::Key_Plus);
        const double largest = s.activeView()->scale();
        QVERIFY(largest > 1.5);
        QVERIFY(largest <= s.activeView()->largestScale() + kTolerance);
        QVERIFY(FormScale::stepUp(largest) > s.activeView()->largestScale());
        zoomKey(s, Qt::Key_0);
        zoomKey(s, Qt::Key_Plus);
        const QRect placed = s.frame().geometry();

        s.restart();
        QCOMPARE(s.frame().geometry().size(), placed.size());
        QVERIFY(qAbs(s.activeView()->scale() - 1.1) < kTolerance);
        // A dialog opens at the scale of the screen behind it.
        const std::string id = addPatient();
        ViewRec* record = openRecord(s, id);
        GuiSession::click(*record, IDC_REC_MEDICAL);
        const bool shown = GuiSession::withModal<Dialog>(
            [&] { GuiSession::click(*record, IDC_REC_ADD); },
            [&](Dialog& dialog) {
                QVERIFY(qAbs(dialog.scale() - record->scale()) < kTolerance);
                QTest::keyClick(&dialog, Qt::Key_Escape);
            });
        QVERIFY(shown);
    }
};

QTEST_MAIN(ZoomTest)
#include "ZoomTest.moc"

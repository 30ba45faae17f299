// The vital signs charts: opened from the record screen's button and its View menu, the points
// drawn being exactly the visits' numbers in date order with the others counted, a point's
// date and value on hovering and its visit on double-clicking, the picture saved, the page
// printed under the letterhead, and the charts following the zoom and the window.

#include "PrescriptionSupport.h"
#include "RecordSupport.h"

#include "platform/FormBuilder.h"
#include "res/resource.h"
#include "screens/MeasureChart.h"
#include "screens/ViewComplaint.h"
#include "screens/VitalChartsView.h"

#include <QAction>
#include <QDateTimeAxis>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QMenuBar>
#include <QProcess>
#include <QToolTip>
#include <map>

using namespace records;

namespace {

const size_t kTemp = visitText("temp"), kBp = visitText("bp"), kHeight = visitText("height"),
             kWeight = visitText("weight");

std::string addVisit(const std::string& patient, DateTime date,
                     const std::map<size_t, std::string>& measured) {
    std::vector<std::string> texts(kVisitTextCount);
    texts[visitText("complaint")] = "Check-up";
    for (const auto& [field, text] : measured)
        texts[field] = text;
    ComplaintRecord visit;
    if (!visit.Add(patient, date, texts))
        qFatal("cannot add a visit");
    return visit.m_id;
}

struct Patient {
    std::string id;
    std::vector<std::string> visits; // in the order of their dates
};

// Visits stored out of the order of their dates, two temperatures no number.
Patient patientWithVisits() {
    Patient p{addPatient("Nadia", "Aziz"), {}};
    const std::string late = addVisit(p.id, DateTime::fromCivil(2025, 6, 20),
                                      {{kTemp, "38.4"}, {kBp, "140/90"}, {kWeight, "72"}});
    const std::string early =
        addVisit(p.id, DateTime::fromCivil(2023, 2, 1),
                 {{kTemp, "36.8"}, {kBp, "120/80"}, {kHeight, "170"}, {kWeight, "70.5"}});
    const std::string middle =
        addVisit(p.id, DateTime::fromCivil(2024, 9, 9), {{kTemp, "afebrile"}, {kBp, "high"}});
    const std::string last = addVisit(p.id, DateTime::fromCivil(2026, 1, 5), {{kTemp, "warm"}});
    p.visits = {early, middle, late, last};
    return p;
}

VitalChartsView* openChartsWithButton(GuiSession& s, const std::string& patient) {
    ViewRec* record = openRecord(s, patient);
    GuiSession::click(*record, IDC_REC_CHARTS);
    return s.active<VitalChartsView>();
}

QList<double> valuesOf(const QLineSeries* line) {
    QList<double> values;
    for (const QPointF& point : line->points())
        values << point.y();
    return values;
}

QStringList datesOf(const QLineSeries* line) {
    QStringList dates;
    for (const QPointF& point : line->points())
        dates << QDateTime::fromMSecsSinceEpoch(qint64(point.x())).toString("dd/MM/yyyy");
    return dates;
}

} // namespace

class VitalChartsTest : public QObject {
    Q_OBJECT

    QTemporaryDir home;

private slots:
    void initTestCase() { qputenv("HOME", QFile::encodeName(home.path())); }

    void theChartsHoldTheVisitsNumbersInDateOrder() {
        GuiSession s;
        const Patient p = patientWithVisits();
        VitalChartsView* charts = openChartsWithButton(s, p.id);
        QVERIFY(charts);
        QCOMPARE(s.activeTitle(), QString("Vital signs charts"));
        QCOMPARE(GuiSession::openCount(SCREEN_VIEW_REC), 0);
        QCOMPARE(charts->control<QLabel>(IDC_CHARTS_PATIENT)->text(),
                 QString::fromStdString("Nadia Aziz, born 17/05/1980, record number " + p.id));

        QStringList titles;
        for (MeasureChart* chart : charts->charts)
            titles << chart->chart()->title();
        QCOMPARE(titles, QStringList({"Temperature (°C)", "Blood pressure (mmHg)", "Pulse (/min)",
                                      "Respiratory rate (/min)", "Weight (Kg)", "BMI (kg/m²)"}));
        const auto& lines = [&](size_t chart) { return charts->charts[chart]->lines(); };
        QCOMPARE(valuesOf(lines(0)[0]), QList<double>({36.8, 38.4}));
        QCOMPARE(datesOf(lines(0)[0]), QStringList({"01/02/2023", "20/06/2025"}));
        QCOMPARE(valuesOf(lines(1)[0]), QList<double>({120, 140}));
        QCOMPARE(valuesOf(lines(1)[1]), QList<double>({80, 90}));
        QCOMPARE(valuesOf(lines(2)[0]), QList<double>());
        QCOMPARE(valuesOf(lines(4)[0]), QList<double>({70.5, 72}));
        // The later weight takes the height measured before it.
        QCOMPARE(valuesOf(lines(5)[0]).size(), 2);
        QCOMPARE(QString::number(valuesOf(lines(5)[0])[1], 'f', 1), QString("24.9"));

        QCOMPARE(charts->notes[0]->text(),
                 QString("2 visits with a temperature that is not a number"));
        QVERIFY(charts->notes[0]->isVisible());
        QCOMPARE(charts->notes[1]->text(),
                 QString("1 visit with a blood pressure that is not a number"));
        QVERIFY(!charts->notes[2]->isVisible());
        VERIFY_BOXES(s);
    }

    void theViewMenuOpensThemAndCloseLeadsBack() {
        GuiSession s;
        const Patient p = patientWithVisits();
        openRecord(s, p.id);
        QAction* entry = s.menuEntry("&View", "Vital &signs charts\u2026");
        QVERIFY(entry);
        QVERIFY(entry->isEnabled());
        entry->trigger();
        GuiSession::settle();
        VitalChartsView* charts = s.active<VitalChartsView>();
        QVERIFY(charts);
        QCOMPARE(charts->patientId, p.id);
        GuiSession::click(*charts, IDC_CHARTS_CLOSE);
        ViewRec* record = s.active<ViewRec>();
        QVERIFY(record);
        QCOMPARE(record->patientId, p.id);
        QCOMPARE(GuiSession::openCount(SCREEN_VITAL_CHARTS), 0);
        VERIFY_BOXES(s);
    }

    void hoveringTellsAPointAndDoubleClickingOpensItsVisit() {
        GuiSession s;
        s.frame().resize(1280, 800);
        const Patient p = patientWithVisits();
        VitalChartsView* charts = openChartsWithButton(s, p.id);
        GuiSession::settle();
        MeasureChart* pressure = charts->charts[1];
        const QPoint diastolic = pressure->pointAt(1, 1);
        QTest::mouseMove(pressure->viewport(), diastolic);
        QTRY_COMPARE(QToolTip::text(), QString("20/06/2025: Diastolic 90 mmHg"));
        QTest::mouseMove(pressure->viewport(), QPoint(2, 2));
        QTRY_VERIFY(QToolTip::text().isEmpty());

        MeasureChart* temperature = charts->charts[0];
        const QPoint first = temperature->pointAt(0, 0);
        QTest::mouseClick(temperature->viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(temperature->viewport(), Qt::LeftButton, {}, first);
        QTest::mouseRelease(temperature->viewport(), Qt::LeftButton, {}, first);
        GuiSession::settle();
        ViewComplaint* visit = s.active<ViewComplaint>();
        QVERIFY(visit);
        QCOMPARE(visit->visitId, p.visits[0]);
        QCOMPARE(visit->texts[kTemp], std::string("36.8"));
        QCOMPARE(GuiSession::openCount(SCREEN_VITAL_CHARTS), 0);
        VERIFY_BOXES(s);
    }

    void savePictureWritesThePngShown() {
        GuiSession s;
        const Patient p = patientWithVisits();
        VitalChartsView* charts = openChartsWithButton(s, p.id);
        const QString file = QDir(s.folder()).filePath("charts.png");
        s.boxes().expectFile(
            {FileRequest::Save, "png", "PNG Images (*.png)",
             QDir(home.path()).filePath("Aziz_Nadia_vital_signs.png").toStdString()},
            file.toStdString());
        s.boxes().expectBox({"The picture was saved to " + file.toStdString() + ".", "Confirmation",
                             MsgIcon::Information, MsgButtons::Ok});
        GuiSession::click(*charts, IDC_CHARTS_SAVE);
        VERIFY_BOXES(s);
        const QImage saved(file, "PNG");
        QVERIFY(!saved.isNull());
        QCOMPARE(saved.size(), charts->controlWidget(IDC_CHARTS_AREA)->size());
        // Not a blank picture: the charts' lines and shading are in it.
        QSet<QRgb> colours;
        for (int y = 0; y < saved.height(); y += 4)
            for (int x = 0; x < saved.width(); x += 4)
                colours.insert(saved.pixel(x, y));
        QVERIFY(colours.size() > 20);

        // The next picture is offered where the last went; one that cannot be written is told
        // and leaves nothing behind.
        const std::string refused = QDir(s.folder()).filePath("gone/charts.png").toStdString();
        s.boxes().expectFile(
            {FileRequest::Save, "png", "PNG Images (*.png)",
             QDir(s.folder()).filePath("Aziz_Nadia_vital_signs.png").toStdString()},
            refused);
        s.boxes().expectBox({"No such file or directory. The picture was not saved to " + refused +
                                 "; any earlier file of that name is as it was.",
                             "Error", MsgIcon::Stop, MsgButtons::Ok});
        GuiSession::click(*charts, IDC_CHARTS_SAVE);
        VERIFY_BOXES(s);
        QCOMPARE(QDir(s.folder()).entryList({"*.png*"}, QDir::Hidden | QDir::Files),
                 QStringList({"charts.png"}));
    }

    void printPutsTheChartsUnderTheLetterhead() {
        GuiSession s;
        QVERIFY(ClinicInfo().Save("Cedar Clinic", "Dr. Salma Haddad", "MD", "555-0100",
                                  "12 Elm Street", "Springfield", "North", "12345"));
        const Patient p = patientWithVisits();
        VitalChartsView* charts = openChartsWithButton(s, p.id);
        const QString file = QDir(s.folder()).filePath("charts.pdf");
        s.boxes().expectPrint(rx::toPdf(file));
        QTest::keyClick(charts, Qt::Key_P, Qt::ControlModifier);
        GuiSession::settle();
        VERIFY_BOXES(s);
        const QString flat = rx::lines(rx::pdfText(file)).join(' ');
        for (const char* expected :
             {"Cedar Clinic", "Dr. Salma Haddad", "12 Elm Street", "Springfield, 12345",
              "Tel: 555-0100", "Vital signs charts", "Patient: Nadia Aziz, born 17/05/1980"})
            QVERIFY2(flat.contains(QString::fromUtf8(expected)), expected);
        QCOMPARE(rx::pageCount(rx::pdfText(file)), 1);
        QProcess images;
        images.start("pdfimages", {"-list", file});
        QVERIFY(images.waitForFinished(30000));
        const QStringList listed =
            QString::fromUtf8(images.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(listed.size(), 3); // two heading lines and the one picture
    }

    void theChartsFollowTheZoomAndTheWindow() {
        GuiSession s;
        s.frame().resize(640, 480);
        const Patient p = patientWithVisits();
        VitalChartsView* charts = openChartsWithButton(s, p.id);
        const QSize small = charts->charts[0]->size();
        // Every chart has an equal share of the room, however long its texts.
        for (MeasureChart* chart : charts->charts) {
            QVERIFY(qAbs(chart->width() - small.width()) <= 1);
            QVERIFY(qAbs(chart->height() - small.height()) <= chart->fontMetrics().height());
        }
        const int smallTitle = charts->charts[0]->chart()->titleFont().pixelSize();
        QCOMPARE(smallTitle, FormBuilder::formFont(charts->scale()).pixelSize());
        s.frame().resize(1280, 800);
        GuiSession::settle();
        QVERIFY(charts->charts[0]->width() > small.width() * 3 / 2);
        QVERIFY(charts->charts[0]->height() > small.height() * 3 / 2);
        QCOMPARE(charts->charts[0]->chart()->titleFont().pixelSize(),
                 FormBuilder::formFont(charts->scale()).pixelSize());
        QTest::keyClick(&s.frame(), Qt::Key_Minus, Qt::ControlModifier);
        GuiSession::settle();
        QVERIFY(charts->charts[0]->chart()->titleFont().pixelSize() <
                FormBuilder::formFont(1.5).pixelSize());
        QCOMPARE(charts->charts[0]->chart()->titleFont().pixelSize(),
                 FormBuilder::formFont(charts->scale()).pixelSize());
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(VitalChartsTest)
#include "VitalChartsTest.moc"

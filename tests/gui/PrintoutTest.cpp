// The prescription printout: every call on a recording device at several resolutions and
// technologies, drug lines running onto further pages, and real PDF files through QPrinter.

#include "PrescriptionSupport.h"

#include "platform/QPrinterDevice.h"
#include "platform/RecordingPrintDevice.h"
#include "prescription/PrescriptionPrintout.h"
#include "store/ClinicInfo.h"
#include "store/PatientRecord.h"

#include <QDate>

namespace {

using Call = RecordingPrintDevice::Call;

const PrintFont kTitle{120, 0, 900, true};
const PrintFont kHeader{100, 0, 900, true};
const PrintFont kBody{0, 12, 700, false};

// Letter paper less a quarter inch all round, at 600 pixels per inch: 55 line units down.
const QSize kPage600(4800, 6600);

ClinicInfo sampleClinic() {
    ClinicInfo clinic;
    clinic.m_clinicName = "Cedar Family Clinic";
    clinic.m_docName = "Dr. Amal Haddad";
    clinic.m_docQualifications = "MD";
    clinic.m_phone = "555-0142";
    clinic.m_street = "12 Harbour Road";
    clinic.m_city = "Tripoli";
    clinic.m_province = "North";
    clinic.m_postalCode = "01300";
    clinic.m_setStatus = 1;
    return clinic;
}

PrescriptionEntries sampleEntries(int drugLines = 2) {
    PrescriptionEntries entries{"Omar Khalil", "34", "Year(s)", "Acute sinusitis", {}};
    for (int i = 0; i < drugLines; ++i)
        entries.drugs.push_back("DRUG " + std::to_string(i + 1) + " 500MG TWICE DAILY");
    return entries;
}

const DateTime kSeventhOfDecember = DateTime::fromCivil(2026, 12, 7, 10, 15);

// Each wider than a letter-size page at 300 or 600 pixels per inch.
const QString kLongDiagnosis =
    "Chronic obstructive pulmonary disease with acute exacerbation, complicated by community "
    "acquired pneumonia of the right lower lobe with pleural effusion and early empyema";
const QString kLongDrug = "AMOXICILLIN WITH CLAVULANIC ACID 875MG PLUS 125MG ONE TABLET BY MOUTH "
                          "EVERY TWELVE HOURS WITH FOOD FOR TEN DAYS";
const QString kLongName = "María del Carmen Alejandra Guadalupe Fernández de la Concepción "
                          "Rodríguez y Montenegro";

// The sample prescription with one entry, named by its label, replaced: the diagnosis, the
// patient's name or the first drug line.
PrescriptionEntries withText(const std::string& label, const std::string& text) {
    PrescriptionEntries entries = sampleEntries();
    if (label == "Diagnosis: ")
        entries.diagnosis = text;
    else if (label == "Patient's name: ")
        entries.patientName = text;
    else
        entries.drugs.front() = text;
    return entries;
}

Call text(int x, int y, const std::string& what, const PrintFont& font = kBody,
          TextAnchor anchor = TextAnchor::TopLeft) {
    return {.kind = Call::Text, .text = what, .at = QPoint(x, y), .font = font, .anchor = anchor};
}

QString describe(const Call& c) {
    return QString("kind %1 \"%2\" at (%3, %4) target (%5, %6, %7 x %8) font %9/%10/%11/%12 "
                   "anchor %13 image %14 x %15 depth %16")
        .arg(int(c.kind))
        .arg(QString::fromStdString(c.text))
        .arg(c.at.x())
        .arg(c.at.y())
        .arg(c.target.x())
        .arg(c.target.y())
        .arg(c.target.width())
        .arg(c.target.height())
        .arg(c.font.pixelHeight)
        .arg(c.font.pointSize)
        .arg(c.font.weight)
        .arg(c.font.serif)
        .arg(int(c.anchor))
        .arg(c.imageSize.width())
        .arg(c.imageSize.height())
        .arg(c.imageDepth);
}

void compareCalls(const std::vector<Call>& actual, const std::vector<Call>& expected) {
    QStringList got, wanted;
    for (const Call& c : actual)
        got << describe(c);
    for (const Call& c : expected)
        wanted << describe(c);
    QCOMPARE(got, wanted);
}

std::vector<Call> ofKind(const RecordingPrintDevice& device, Call::Kind kind) {
    std::vector<Call> kept;
    for (const Call& c : device.calls())
        if (c.kind == kind)
            kept.push_back(c);
    return kept;
}

// The drawing calls between each StartPage and its EndPage.
std::vector<std::vector<Call>> pages(const RecordingPrintDevice& device) {
    std::vector<std::vector<Call>> result;
    for (const Call& c : device.calls()) {
        if (c.kind == Call::StartPage)
            result.emplace_back();
        else if (c.kind == Call::Text || c.kind == Call::Bitmap)
            result.back().push_back(c);
    }
    return result;
}

const Call* find(const std::vector<Call>& calls, const std::string& what) {
    for (const Call& c : calls)
        if (c.text == what)
            return &c;
    return nullptr;
}

// Every text at the body column that begins with label, each with the rows it runs on to:
// the texts right after it drawn further right, clear of the label.
std::vector<std::vector<Call>> runsOf(const std::vector<Call>& page, const std::string& label,
                                      int bodyX) {
    std::vector<std::vector<Call>> runs;
    bool inRun = false;
    for (const Call& c : page) {
        const bool leftAligned = c.kind == Call::Text && c.anchor == TextAnchor::TopLeft;
        if (leftAligned && c.at.x() == bodyX) {
            inRun = c.text.starts_with(label);
            if (inRun)
                runs.push_back({c});
        } else if (inRun && leftAligned && c.at.x() > bodyX) {
            runs.back().push_back(c);
        } else {
            inRun = false;
        }
    }
    return runs;
}

// The texts of a run put back together, without its label.
std::string joined(const std::vector<Call>& run, const std::string& label,
                   const std::string& separator) {
    std::string text = run.front().text.substr(label.size());
    for (size_t i = 1; i < run.size(); ++i)
        text += separator + run[i].text;
    return text;
}

std::vector<std::string> joinedRuns(const std::vector<std::vector<Call>>& runs,
                                    const std::string& label) {
    std::vector<std::string> texts;
    for (const std::vector<Call>& run : runs)
        texts.push_back(joined(run, label, " "));
    return texts;
}

// Every text of a page lies wholly inside its printable area, each on a row below the last.
void verifyWithinPage(const RecordingPrintDevice& device, const std::vector<Call>& page) {
    const int unit = device.dotsPerInchY() / 5;
    int lastY = -1;
    for (const Call& c : page) {
        if (c.kind != Call::Text)
            continue;
        const int width = device.textWidth(c.text, c.font);
        const int left = c.anchor == TextAnchor::TopCentre ? c.at.x() - width / 2 : c.at.x();
        QVERIFY2(left >= 0 && left + width <= device.printableWidth(), c.text.c_str());
        QVERIFY2(c.at.y() + unit <= device.printableHeight(), c.text.c_str());
        QVERIFY2(c.at.y() > lastY, c.text.c_str());
        lastY = c.at.y();
    }
}

} // namespace

class PrintoutTest : public QObject {
    Q_OBJECT

private slots:
    void drawsTheWorkedPageAt600DpiWithTheHeader() {
        RecordingPrintDevice device(600, 600, kPage600, true);
        PrescriptionPrintout(sampleEntries(), sampleClinic(), kSeventhOfDecember).print(device);
        const std::vector<Call> expected = {
            {.kind = Call::StartDocument, .text = "Medical Prescription"},
            {.kind = Call::StartPage},
            {.kind = Call::Bitmap,
             .target = QRect(120, 120, 484 - 120, 524 - 120),
             .imageSize = QSize(91, 101),
             .imageDepth = 8},
            text(600, 120, "Cedar Family Clinic", kHeader),
            text(600, 240, "12 Harbour Road"),
            text(600, 360, "Tripoli, 01300"),
            text(600, 480, "Tel: 555-0142"),
            text(2400, 720, "Medical Prescription (Rx)", kTitle, TextAnchor::TopCentre),
            text(480, 960, "Date: 07/12/26"),
            text(480, 1080, "Doctor's name: Dr. Amal Haddad"),
            text(480, 1200, "Patient's name: Omar Khalil"),
            text(480, 1320, "Age: 34 Year(s)"),
            text(480, 1440, "Diagnosis: Acute sinusitis"),
            text(480, 1680, "Rx:"),
            text(480, 1800, "- DRUG 1 500MG TWICE DAILY"),
            text(480, 1920, "- DRUG 2 500MG TWICE DAILY"),
            text(480, 2040, " "),
            text(480, 2160, "Doctor's signature: "),
            text(480, 2400, " X "),
            text(480, 2520, "   _________________"),
            {.kind = Call::EndPage},
            {.kind = Call::EndDocument},
        };
        compareCalls(device.calls(), expected);
    }

    void theEmblemIsOurRedCrescentOnWhite() {
        const QImage emblem = PrescriptionPrintout::emblem();
        QCOMPARE(emblem.size(), QSize(91, 101));
        QCOMPARE(emblem.format(), QImage::Format_Indexed8);
        QCOMPARE(emblem.pixelColor(0, 0), QColor(Qt::white));
        QCOMPARE(emblem.pixelColor(90, 100), QColor(Qt::white));
        const QColor body = emblem.pixelColor(12, 50); // the thick of the crescent
        QVERIFY(body.red() > 150 && body.green() < 60 && body.blue() < 80);
        QCOMPARE(emblem.pixelColor(70, 50), QColor(Qt::white)); // between the horns
    }

    void withoutHeaderTheLetterheadIsLeftOut() {
        RecordingPrintDevice device(600, 600, kPage600, true);
        PrescriptionPrintout(sampleEntries(), std::nullopt, kSeventhOfDecember).print(device);
        const std::vector<Call> drawn = pages(device).at(0);
        QCOMPARE(drawn.at(0).kind, Call::Bitmap);
        QCOMPARE(drawn.at(1).text, std::string("Medical Prescription (Rx)"));
        const Call* doctor = find(drawn, "Doctor's name: ");
        QVERIFY(doctor);
        QCOMPARE(doctor->at, QPoint(480, 1080));
        for (const char* header :
             {"Cedar Family Clinic", "12 Harbour Road", "Tripoli, 01300", "Tel: 555-0142"})
            QVERIFY(!find(drawn, header));
        for (const Call& c : drawn)
            QVERIFY(!(c.font == kHeader));
    }

    void eachLineOfADiagnosisStartsARowOfItsOwn() {
        RecordingPrintDevice device(600, 600, kPage600, true);
        PrescriptionEntries entries = sampleEntries();
        entries.diagnosis = "Sinusitis\nfor two weeks\r\n\r\nno fever";
        PrescriptionPrintout(entries, sampleClinic(), kSeventhOfDecember).print(device);
        const std::vector<Call> drawn = pages(device).at(0);
        const auto age = std::find_if(drawn.begin(), drawn.end(),
                                      [](const Call& c) { return c.text == "Age: 34 Year(s)"; });
        QVERIFY(drawn.end() - age >= 6);
        // The lines after the first stand under the diagnosis, clear of its label; an empty
        // line keeps its row.
        const int underText = 480 + device.textWidth("Diagnosis: ", kBody);
        compareCalls(std::vector<Call>(age, age + 6),
                     {
                         text(480, 1320, "Age: 34 Year(s)"),
                         text(480, 1440, "Diagnosis: Sinusitis"),
                         text(underText, 1560, "for two weeks"),
                         text(underText, 1800, "no fever"),
                         text(480, 2040, "Rx:"),
                         text(480, 2160, "- DRUG 1 500MG TWICE DAILY"),
                     });
    }

    void aLineWiderThanThePageWrapsUnderItself_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("wholeWords");
        QTest::addColumn<int>("dpi");
        for (int dpi : {600, 300}) {
            const auto row = [dpi](const char* what) {
                return &QTest::addRow("%s at %d dpi", what, dpi);
            };
            *row("diagnosis") << "Diagnosis: " << kLongDiagnosis << true << dpi;
            *row("drug line") << "- " << kLongDrug << true << dpi;
            *row("patient's name") << "Patient's name: " << kLongName << true << dpi;
            *row("one word wider than the line")
                << "Diagnosis: "
                << QString("Pneumonoultramicroscopicsilicovolcanoconiosis").repeated(3) << false
                << dpi;
            *row("an accented word wider than the line")
                << "Patient's name: " << QString("ÑandúÁlvarezÉçöß").repeated(8) << false << dpi;
        }
    }

    void aLineWiderThanThePageWrapsUnderItself() {
        QFETCH(QString, label);
        QFETCH(QString, text);
        QFETCH(bool, wholeWords);
        QFETCH(int, dpi);
        const std::string start = label.toStdString();
        const std::string wide = text.toStdString();
        const QSize page(8 * dpi, 11 * dpi);
        const int unit = dpi / 5;
        const int bodyX = dpi - unit;

        RecordingPrintDevice device(dpi, dpi, page, true);
        PrescriptionPrintout(withText(start, wide), sampleClinic(), kSeventhOfDecember)
            .print(device);
        QCOMPARE(int(pages(device).size()), 1);
        const std::vector<Call> drawn = pages(device)[0];
        verifyWithinPage(device, drawn);
        if (QTest::currentTestFailed())
            return;

        // Nothing lost, and the rows after the first under the text, clear of its label.
        const std::vector<std::vector<Call>> runs = runsOf(drawn, start, bodyX);
        QVERIFY(!runs.empty());
        const std::vector<Call>& run = runs.front();
        QVERIFY(run.size() > 1);
        QCOMPARE(joined(run, start, wholeWords ? " " : ""), wide);
        const int underText = bodyX + device.textWidth(start, kBody);
        for (size_t i = 1; i < run.size(); ++i)
            QCOMPARE(run[i].at, QPoint(underText, run[0].at.y() + int(i) * unit));

        // A row ends only where what comes next on the following row would not fit.
        for (size_t i = 0; i + 1 < run.size(); ++i) {
            const QString next = QString::fromStdString(run[i + 1].text);
            const QString more = wholeWords ? " " + next.section(u' ', 0, 0) : next.left(1);
            const int reach =
                run[i].at.x() + device.textWidth(run[i].text + more.toStdString(), kBody);
            QVERIFY2(reach > page.width(), run[i].text.c_str());
        }

        // Everything below moves down by the rows the text took.
        RecordingPrintDevice narrow(dpi, dpi, page, true);
        PrescriptionPrintout(sampleEntries(), sampleClinic(), kSeventhOfDecember).print(narrow);
        const std::vector<Call> before = pages(narrow)[0];
        const auto belowIn = [&start](const std::vector<Call>& calls, size_t skip) {
            const auto first = std::find_if(calls.begin(), calls.end(), [&start](const Call& c) {
                return c.text.starts_with(start);
            });
            return std::vector<Call>(first + std::ptrdiff_t(skip), calls.end());
        };
        std::vector<Call> expected = belowIn(before, 1);
        for (Call& c : expected)
            c.at.ry() += int(run.size() - 1) * unit;
        compareCalls(belowIn(drawn, run.size()), expected);
    }

    void anotherTechnologyHasNoEmblemAndTheHeaderAtOneUnit() {
        RecordingPrintDevice device(600, 600, kPage600, false);
        PrescriptionPrintout(sampleEntries(), sampleClinic(), kSeventhOfDecember).print(device);
        QVERIFY(ofKind(device, Call::Bitmap).empty());
        const std::vector<Call> drawn = pages(device).at(0);
        QCOMPARE(find(drawn, "Cedar Family Clinic")->at, QPoint(120, 120));
        QCOMPARE(find(drawn, "12 Harbour Road")->at, QPoint(120, 240));
        QCOMPARE(find(drawn, "Tripoli, 01300")->at, QPoint(120, 360));
        QCOMPARE(find(drawn, "Tel: 555-0142")->at, QPoint(120, 480));
        // The body stays where it is on a raster printer.
        QCOMPARE(find(drawn, "Rx:")->at, QPoint(480, 1680));
    }

    void at300DpiTheEmblemKeepsItsPixelSize() {
        RecordingPrintDevice device(300, 300, QSize(2400, 3300), true);
        PrescriptionPrintout(sampleEntries(1), sampleClinic(), kSeventhOfDecember).print(device);
        const std::vector<Call> bitmaps = ofKind(device, Call::Bitmap);
        QCOMPARE(int(bitmaps.size()), 1);
        QCOMPARE(bitmaps[0].target, QRect(60, 60, 364, 404));
        const std::vector<Call> drawn = pages(device).at(0);
        QCOMPARE(find(drawn, "Cedar Family Clinic")->at, QPoint(300, 60));
        QCOMPARE(find(drawn, "Medical Prescription (Rx)")->at, QPoint(1200, 360));
        QCOMPARE(find(drawn, "Date: 07/12/26")->at, QPoint(240, 480));
        QCOMPARE(find(drawn, "- DRUG 1 500MG TWICE DAILY")->at, QPoint(240, 900));
    }

    void theLastRowOfThePageStillBelongsToIt() {
        // 35 lines end the signature block exactly at the bottom of a 55-unit page.
        RecordingPrintDevice device(600, 600, kPage600, true);
        PrescriptionPrintout(sampleEntries(35), sampleClinic(), kSeventhOfDecember).print(device);
        QCOMPARE(int(pages(device).size()), 1);
        QCOMPARE(find(pages(device)[0], "- DRUG 35 500MG TWICE DAILY")->at, QPoint(480, 49 * 120));
        QCOMPARE(find(pages(device)[0], "   _________________")->at, QPoint(480, 54 * 120));
    }

    void drugLinesLongerThanAPageContinueOnTheNext() {
        RecordingPrintDevice device(600, 600, kPage600, true);
        const PrescriptionEntries entries = sampleEntries(50);
        PrescriptionPrintout(entries, sampleClinic(), kSeventhOfDecember).print(device);
        const auto printed = pages(device);
        QCOMPARE(int(printed.size()), 2);
        QCOMPARE(int(ofKind(device, Call::StartDocument).size()), 1);

        // The first page fills up to the two rows of its foot, which end 12 mm (284 pixels)
        // above the edge of the paper.
        const std::vector<Call> foot(printed[0].end() - 3, printed[0].end());
        compareCalls(foot, {
                               text(480, 49 * 120, "- DRUG 35 500MG TWICE DAILY"),
                               text(480, 50 * 120, "continued overleaf"),
                               text(2400, 51 * 120, "Page 1 of 2", kBody, TextAnchor::TopCentre),
                           });

        // The second names the patient and the date at its top, 12 mm below the edge of the
        // paper, and goes on below them.
        std::vector<Call> second = {
            text(480, 3 * 120, "Patient's name: Omar Khalil"),
            text(480, 4 * 120, "Date: 07/12/26"),
        };
        for (int drug = 36; drug <= 50; ++drug)
            second.push_back(text(480, (drug - 30) * 120, "- " + entries.drugs[size_t(drug - 1)]));
        second.push_back(text(480, 21 * 120, " "));
        second.push_back(text(480, 22 * 120, "Doctor's signature: "));
        second.push_back(text(480, 24 * 120, " X "));
        second.push_back(text(480, 25 * 120, "   _________________"));
        second.push_back(text(2400, 51 * 120, "Page 2 of 2", kBody, TextAnchor::TopCentre));
        compareCalls(printed[1], second);
    }

    void theSignatureNeverStandsAloneOnAPage() {
        // 36 lines fit on the first page, but the block after them does not.
        RecordingPrintDevice device(600, 600, kPage600, true);
        PrescriptionPrintout(sampleEntries(36), sampleClinic(), kSeventhOfDecember).print(device);
        const auto printed = pages(device);
        QCOMPARE(int(printed.size()), 2);
        QCOMPARE(find(printed[0], "- DRUG 35 500MG TWICE DAILY")->at, QPoint(480, 49 * 120));
        QCOMPARE(printed[1].at(2).text, std::string("- DRUG 36 500MG TWICE DAILY"));
        QCOMPARE(printed[1].at(2).at, QPoint(480, 6 * 120));
        QCOMPARE(find(printed[1], " X ")->at, QPoint(480, 10 * 120));
    }

    void everyPageNamesThePatientAndTheDate_data() {
        QTest::addColumn<int>("drugLines");
        QTest::addColumn<QString>("drug");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("diagnosisLines");
        QTest::addColumn<int>("pageCount");
        const QString drug = "DRUG 500MG TWICE DAILY";
        const QString name = "Omar Khalil";
        QTest::newRow("50 lines") << 50 << drug << name << 1 << 2;
        QTest::newRow("36 lines, the last over the page") << 36 << drug << name << 1 << 2;
        QTest::newRow("100 lines") << 100 << drug << name << 1 << 3;
        QTest::newRow("25 lines of two rows each") << 25 << kLongDrug << name << 1 << 2;
        QTest::newRow("a name of two rows") << 50 << drug << kLongName << 1 << 2;
        QTest::newRow("a diagnosis longer than a page") << 2 << drug << name << 60 << 2;
    }

    void everyPageNamesThePatientAndTheDate() {
        QFETCH(int, drugLines);
        QFETCH(QString, drug);
        QFETCH(QString, name);
        QFETCH(int, diagnosisLines);
        QFETCH(int, pageCount);
        PrescriptionEntries entries = sampleEntries();
        entries.patientName = name.toStdString();
        for (int i = 2; i <= diagnosisLines; ++i)
            entries.diagnosis += "\nand finding " + std::to_string(i);
        entries.drugs.clear();
        for (int i = 1; i <= drugLines; ++i)
            entries.drugs.push_back(std::to_string(i) + " " + drug.toStdString());
        RecordingPrintDevice device(600, 600, kPage600, true);
        PrescriptionPrintout(entries, sampleClinic(), kSeventhOfDecember).print(device);
        const auto printed = pages(device);
        QCOMPARE(int(printed.size()), pageCount);

        std::vector<std::string> drugs;
        for (int p = 0; p < pageCount; ++p) {
            const std::vector<Call>& page = printed[size_t(p)];
            verifyWithinPage(device, page);
            if (QTest::currentTestFailed())
                return;
            const auto names =
                joinedRuns(runsOf(page, "Patient's name: ", 480), "Patient's name: ");
            QCOMPARE(names, std::vector<std::string>{entries.patientName});
            if (p > 0)
                QCOMPARE(page.front().at, QPoint(480, 3 * 120));
            QVERIFY(find(page, "Date: 07/12/26"));
            const std::string number =
                "Page " + std::to_string(p + 1) + " of " + std::to_string(pageCount);
            const Call* foot = find(page, number);
            QVERIFY2(foot, number.c_str());
            QCOMPARE(foot->at, QPoint(2400, 51 * 120));
            QCOMPARE(foot->anchor, TextAnchor::TopCentre);
            const bool last = p == pageCount - 1;
            QCOMPARE(find(page, "continued overleaf") != nullptr, !last);
            QCOMPARE(find(page, "Doctor's signature: ") != nullptr, last);
            for (const std::string& line : joinedRuns(runsOf(page, "- ", 480), "- "))
                drugs.push_back(line);
        }
        QCOMPARE(drugs, entries.drugs);
    }

    void aPageTooShortForAnyRowStillComesToAnEnd() {
        // An inch of paper holds not even the heading of a further page.
        RecordingPrintDevice device(600, 600, QSize(4800, 600), true);
        const PrescriptionEntries entries = sampleEntries(3);
        PrescriptionPrintout(entries, sampleClinic(), kSeventhOfDecember).print(device);
        std::vector<std::string> drugs;
        for (const std::vector<Call>& page : pages(device))
            for (const std::string& line : joinedRuns(runsOf(page, "- ", 480), "- "))
                drugs.push_back(line);
        QCOMPARE(drugs, entries.drugs);
    }

    void printsThroughQPrinterToAPdfFile() {
        QTemporaryDir dir;
        const QString file = dir.filePath("one.pdf");
        QPrinter printer(QPrinter::HighResolution);
        QVERIFY(rx::toPdf(file)(printer));
        QPrinterDevice device(printer);
        QCOMPARE(device.dotsPerInchX(), 600);
        QCOMPARE(device.dotsPerInchY(), 600);
        QVERIFY(device.isRasterPrinter());
        QCOMPARE(device.printableWidth(), printer.pageRect(QPrinter::DevicePixel).toRect().width());
        // Some 26 letters at 12 points take well over an inch, and the recording device
        // measures texts as this printer does.
        const std::string sample = "Diagnosis: Acute sinusitis";
        QVERIFY(device.textWidth(sample, kBody) > 600);
        const RecordingPrintDevice recording(600, 600, kPage600, true);
        for (const PrintFont& font : {kBody, kTitle, kHeader})
            QCOMPARE(recording.textWidth(sample, font), device.textWidth(sample, font));
        PrescriptionPrintout(sampleEntries(), sampleClinic(), kSeventhOfDecember).print(device);

        const QString text = rx::pdfText(file);
        QCOMPARE(rx::pageCount(text), 1);
        QCOMPARE(rx::lines(text), QStringList({
                                      "Cedar Family Clinic",
                                      "12 Harbour Road",
                                      "Tripoli, 01300",
                                      "Tel: 555-0142",
                                      "Medical Prescription (Rx)",
                                      "Date: 07/12/26",
                                      "Doctor's name: Dr. Amal Haddad",
                                      "Patient's name: Omar Khalil",
                                      "Age: 34 Year(s)",
                                      "Diagnosis: Acute sinusitis",
                                      "Rx:",
                                      "- DRUG 1 500MG TWICE DAILY",
                                      "- DRUG 2 500MG TWICE DAILY",
                                      "Doctor's signature:",
                                      "X",
                                      "_________________",
                                  }));
    }

    void aLongListPrintsOnPagesThatNameThePatient_data() {
        QTest::addColumn<int>("drugLines");
        QTest::addColumn<int>("pageCount");
        QTest::newRow("two pages") << 60 << 2;
        QTest::newRow("three pages") << 120 << 3;
    }

    void aLongListPrintsOnPagesThatNameThePatient() {
        QFETCH(int, drugLines);
        QFETCH(int, pageCount);
        QTemporaryDir dir;
        const QString file = dir.filePath("long.pdf");
        QPrinter printer(QPrinter::HighResolution);
        rx::toPdf(file)(printer);
        QPrinterDevice device(printer);
        const PrescriptionEntries entries = sampleEntries(drugLines);
        PrescriptionPrintout(entries, sampleClinic(), kSeventhOfDecember).print(device);

        const QString text = rx::pdfText(file);
        QCOMPARE(rx::pageCount(text), pageCount);
        QStringList drugs;
        for (int p = 0; p < pageCount; ++p) {
            const QStringList page = rx::lines(text.section(u'\f', p, p));
            QVERIFY(page.contains("Patient's name: Omar Khalil"));
            QVERIFY(page.contains("Date: 07/12/26"));
            QCOMPARE(page.last(), QString("Page %1 of %2").arg(p + 1).arg(pageCount));
            const bool last = p == pageCount - 1;
            QCOMPARE(page.contains("continued overleaf"), !last);
            QCOMPARE(page.contains("Doctor's signature:"), last);
            for (const QString& line : page)
                if (line.startsWith("- "))
                    drugs << line.mid(2);
        }
        QCOMPARE(drugs.size(), drugLines);
        for (int i = 0; i < drugLines; ++i)
            QCOMPARE(drugs[i], QString::fromStdString(entries.drugs[size_t(i)]));
    }

    // Further pages keep 12 mm clear of the edges of the paper, or the printer's own margins
    // where wider; the first page keeps the places of a prescription of one page.
    void furtherPagesKeepMarginsAnOfficePrinterCanPrint_data() {
        QTest::addColumn<double>("printerMargin"); // millimetres
        QTest::addColumn<double>("least");
        QTest::newRow("a PDF file's margins") << -1.0 << 12.0;
        QTest::newRow("a printer's 3.4 mm") << 3.4 << 12.0;
        QTest::newRow("a printer's 16 mm") << 16.0 << 16.0;
    }
    void furtherPagesKeepMarginsAnOfficePrinterCanPrint() {
        QFETCH(double, printerMargin);
        QFETCH(double, least);
        QTemporaryDir dir;
        const auto printed = [&](int drugLines) {
            const QString file = dir.filePath(QString("rx-%1.pdf").arg(drugLines));
            QPrinter printer(QPrinter::HighResolution);
            rx::toPdf(file)(printer);
            if (printerMargin >= 0)
                printer.setPageMargins(
                    QMarginsF(printerMargin, printerMargin, printerMargin, printerMargin),
                    QPageLayout::Millimeter);
            QPrinterDevice device(printer);
            PrescriptionPrintout(sampleEntries(drugLines), sampleClinic(), kSeventhOfDecember)
                .print(device);
            return rx::pdfWords(file);
        };
        const QList<rx::PdfWord> long_ = printed(60);
        QCOMPARE(long_.last().page, 2);
        const QMarginsF margins = rx::pdfMargins(long_, 2);
        for (const double margin :
             {margins.left(), margins.top(), margins.right(), margins.bottom()})
            QVERIFY2(margin >= least, qPrintable(QString("%1 mm").arg(margin)));
        // Rows keep to the grid of fifths of an inch (5.08 mm) from the printable area's top.
        QVERIFY2(margins.top() < least + 5.5, qPrintable(QString("%1 mm").arg(margins.top())));

        const QList<rx::PdfWord> short_ = printed(2);
        for (const QString& word : {"Cedar", "Medical", "Date:", "Diagnosis:", "Rx:"}) {
            const auto box = [&word](const QList<rx::PdfWord>& words) {
                for (const rx::PdfWord& w : words)
                    if (w.text == word && w.page == 1)
                        return w.box;
                return QRectF();
            };
            QVERIFY2(!box(short_).isNull(), qPrintable(word));
            QCOMPARE(box(long_), box(short_));
        }
    }

    void wideLinesPrintWholeWithinThePaper_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");
        QTest::newRow("diagnosis") << "Diagnosis: " << kLongDiagnosis;
        QTest::newRow("drug line") << "- " << kLongDrug;
        QTest::newRow("patient's name") << "Patient's name: " << kLongName;
        QTest::newRow("one word wider than the line")
            << "Diagnosis: "
            << QString("Pneumonoultramicroscopicsilicovolcanoconiosis").repeated(3);
    }

    void wideLinesPrintWholeWithinThePaper() {
        QFETCH(QString, label);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString file = dir.filePath("wide.pdf");
        QPrinter printer(QPrinter::HighResolution);
        rx::toPdf(file)(printer);
        QPrinterDevice device(printer);
        PrescriptionPrintout(withText(label.toStdString(), text.toStdString()), sampleClinic(),
                             kSeventhOfDecember)
            .print(device);

        // Every word, in order, whatever rows it was broken into.
        const QString printed = rx::pdfText(file);
        QCOMPARE(rx::pageCount(printed), 1);
        const auto squeezed = [](QString s) { return s.remove(QRegularExpression("\\s")); };
        QVERIFY2(squeezed(printed).contains(squeezed(label + text)), qPrintable(printed));
        // Words stay whole wherever a row can hold them.
        const QString words = rx::lines(printed).join(u' ');
        if (text.contains(u' '))
            QVERIFY2(words.contains(label + text), qPrintable(words));

        const double rightEdge = printer.pageRect(QPrinter::Point).right();
        const QList<rx::PdfWord> boxes = rx::pdfWords(file);
        QVERIFY(!boxes.isEmpty());
        for (const rx::PdfWord& word : boxes)
            QVERIFY2(word.box.right() <= rightEdge + 0.5, qPrintable(word.text));
    }

    void theScreenPrintsToPdfAndKeepsItsEntries() {
        GuiSession s;
        QVERIFY(ClinicInfo().Save("Cedar Family Clinic", "Dr. Amal Haddad", "MD", "555-0142",
                                  "12 Harbour Road", "Tripoli", "North", "01300"));
        IssuPrescription* view = rx::openPrescription(s);
        QVERIFY(view);
        rx::fillPrescription(*view, "Omar Khalil", "34", "Acute sinusitis",
                             {"amoxicillin 500mg", "paracetamol 1g"});
        const QString file = s.folder() + "/screen.pdf";
        s.boxes().expectPrint(rx::toPdf(file));
        GuiSession::click(*view, IDC_RX_PRINT);
        VERIFY_BOXES(s);

        const QString today = QDate::currentDate().toString("dd/MM/yy");
        const QString text = rx::pdfText(file);
        QCOMPARE(rx::pageCount(text), 1);
        QCOMPARE(rx::lines(text), QStringList({
                                      "Cedar Family Clinic",
                                      "12 Harbour Road",
                                      "Tripoli, 01300",
                                      "Tel: 555-0142",
                                      "Medical Prescription (Rx)",
                                      "Date: " + today,
                                      "Doctor's name: Dr. Amal Haddad",
                                      "Patient's name: Omar Khalil",
                                      "Age: 34 Year(s)",
                                      "Diagnosis: Acute sinusitis",
                                      "Rx:",
                                      "- AMOXICILLIN 500MG",
                                      "- PARACETAMOL 1G",
                                      "Doctor's signature:",
                                      "X",
                                      "_________________",
                                  }));

        // The screen keeps what it printed, so the same page can be printed again.
        QCOMPARE(view->patientName, std::string("Omar Khalil"));
        const QString again = s.folder() + "/again.pdf";
        s.boxes().expectPrint(rx::toPdf(again));
        GuiSession::click(*view, IDC_RX_PRINT);
        VERIFY_BOXES(s);
        QCOMPARE(rx::pdfText(again), text);
    }

    void aPdfFileIsLaidOutForA600DpiPrinter() {
        GuiSession s;
        IssuPrescription* view = rx::openPrescription(s);
        rx::fillPrescription(*view, "Omar Khalil", "34", "Acute sinusitis", {"aspirin"});
        const QString file = s.folder() + "/default.pdf";
        s.boxes().expectBox({"Clinic information are not set, print prescription without a "
                             "header, and then fill doctor's name field manually? ",
                             "Warning", MsgIcon::Question, MsgButtons::YesNo},
                            IDYES);
        s.boxes().expectPrint([file](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file);
            return true;
        });
        GuiSession::click(*view, IDC_RX_PRINT);
        VERIFY_BOXES(s);
        // 91 emblem pixels over 364 printer pixels of a 600 dpi page: 150 per inch.
        QProcess images;
        images.start("pdfimages", {"-list", file});
        QVERIFY(images.waitForFinished(30000));
        const QStringList rows = QString::fromUtf8(images.readAllStandardOutput()).split(u'\n');
        QVERIFY(rows.size() > 2);
        const QStringList emblem = rows[2].simplified().split(u' ');
        QCOMPARE(emblem.value(3), QString("91"));
        QCOMPARE(emblem.value(12), QString("150"));
    }

    void withoutClinicDetailsTheUserIsAskedFirst() {
        GuiSession s;
        IssuPrescription* view = rx::openPrescription(s);
        rx::fillPrescription(*view, "Omar Khalil", "34", "Acute sinusitis", {"aspirin"});
        const BoxRecord question{"Clinic information are not set, print prescription without a "
                                 "header, and then fill doctor's name field manually? ",
                                 "Warning", MsgIcon::Question, MsgButtons::YesNo};

        // No: the print dialog never comes up.
        s.boxes().expectBox(question, IDNO);
        GuiSession::click(*view, IDC_RX_PRINT);
        VERIFY_BOXES(s);

        // Yes: a page without the letterhead and with the doctor's name left to the pen.
        const QString file = s.folder() + "/bare.pdf";
        s.boxes().expectBox(question, IDYES);
        s.boxes().expectPrint(rx::toPdf(file));
        GuiSession::click(*view, IDC_RX_PRINT);
        VERIFY_BOXES(s);
        const QStringList printed = rx::lines(rx::pdfText(file));
        QCOMPARE(printed.value(0), QString("Medical Prescription (Rx)"));
        QVERIFY(printed.contains("Doctor's name:"));
        QVERIFY(printed.contains("- ASPIRIN"));
    }

    void unreadableClinicDetailsAreReportedThenAskedAbout() {
        GuiSession s;
        IssuPrescription* view = rx::openPrescription(s);
        rx::fillPrescription(*view, "Omar Khalil", "34", "Acute sinusitis", {"aspirin"});
        QVERIFY(rx::runSql("DELETE FROM clinic_info"));
        s.boxes().expectBox({"Error fetching clinic information", "Error", MsgIcon::Stop});
        s.boxes().expectBox({"Clinic information are not set, print prescription without a "
                             "header, and then fill doctor's name field manually? ",
                             "Warning", MsgIcon::Question, MsgButtons::YesNo},
                            IDNO);
        GuiSession::click(*view, IDC_RX_PRINT);
        VERIFY_BOXES(s);
    }

    void aCancelledPrintDialogPrintsNothing() {
        GuiSession s;
        QVERIFY(ClinicInfo().Save("C", "D", "Q", "P", "S", "T", "R", "1"));
        IssuPrescription* view = rx::openPrescription(s);
        rx::fillPrescription(*view, "Omar Khalil", "34", "Acute sinusitis", {"aspirin"});
        const QString file = s.folder() + "/never.pdf";
        s.boxes().expectPrint([file](QPrinter& printer) {
            rx::toPdf(file)(printer);
            return false;
        });
        GuiSession::click(*view, IDC_RX_PRINT);
        VERIFY_BOXES(s);
        QVERIFY(!QFile::exists(file));
    }
};

QTEST_MAIN(PrintoutTest)
#include "PrintoutTest.moc"

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

    void aDiagnosisOfSeveralLinesIsOneRunWithItsWordsApart() {
        RecordingPrintDevice device(600, 600, kPage600, true);
        PrescriptionEntries entries = sampleEntries();
        entries.diagnosis = "Sinusitis\nfor two weeks\r\nno fever";
        PrescriptionPrintout(entries, sampleClinic(), kSeventhOfDecember).print(device);
        const std::vector<Call> drawn = pages(device).at(0);
        const Call* diagnosis = find(drawn, "Diagnosis: Sinusitis for two weeks no fever");
        QVERIFY(diagnosis);
        QCOMPARE(diagnosis->at, QPoint(480, 1440));
        QCOMPARE(find(drawn, "Rx:")->at, QPoint(480, 1680));
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

        // Every line once, in order, and wholly inside its page.
        std::vector<std::string> drugTexts;
        for (const auto& page : printed)
            for (const Call& c : page) {
                if (c.kind == Call::Text && c.text.rfind("- ", 0) == 0)
                    drugTexts.push_back(c.text.substr(2));
                if (c.kind == Call::Text)
                    QVERIFY2(c.at.y() + 120 <= kPage600.height(), c.text.c_str());
            }
        QCOMPARE(drugTexts, entries.drugs);

        // The first page fills up to its last row; the second goes on from the top margin.
        QCOMPARE(find(printed[0], "- DRUG 40 500MG TWICE DAILY")->at, QPoint(480, 54 * 120));
        QCOMPARE(find(printed[1], "- DRUG 41 500MG TWICE DAILY")->at, QPoint(480, 120));
        QCOMPARE(find(printed[1], "- DRUG 50 500MG TWICE DAILY")->at, QPoint(480, 10 * 120));
        QCOMPARE(find(printed[1], "Doctor's signature: ")->at, QPoint(480, 12 * 120));
        QCOMPARE(find(printed[1], "   _________________")->at, QPoint(480, 15 * 120));
        QVERIFY(!find(printed[0], "Doctor's signature: "));
        QCOMPARE(int(printed[1].size()), 10 + 4);
    }

    void theSignatureNeverStandsAloneOnAPage() {
        // 36 lines fit on the first page, but the block after them does not.
        RecordingPrintDevice device(600, 600, kPage600, true);
        PrescriptionPrintout(sampleEntries(36), sampleClinic(), kSeventhOfDecember).print(device);
        const auto printed = pages(device);
        QCOMPARE(int(printed.size()), 2);
        QCOMPARE(printed[1].at(0).text, std::string("- DRUG 36 500MG TWICE DAILY"));
        QCOMPARE(printed[1].at(0).at, QPoint(480, 120));
        QCOMPARE(find(printed[1], " X ")->at, QPoint(480, 5 * 120));
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

    void aLongListMakesATwoPagePdf() {
        QTemporaryDir dir;
        const QString file = dir.filePath("long.pdf");
        QPrinter printer(QPrinter::HighResolution);
        rx::toPdf(file)(printer);
        QPrinterDevice device(printer);
        const PrescriptionEntries entries = sampleEntries(60);
        PrescriptionPrintout(entries, sampleClinic(), kSeventhOfDecember).print(device);

        const QString text = rx::pdfText(file);
        QCOMPARE(rx::pageCount(text), 2);
        QStringList drugs;
        for (const QString& line : rx::lines(text))
            if (line.startsWith("- "))
                drugs << line.mid(2);
        QCOMPARE(drugs.size(), 60);
        for (int i = 0; i < 60; ++i)
            QCOMPARE(drugs[i], QString::fromStdString(entries.drugs[size_t(i)]));
        const QString secondPage = text.section(u'\f', 1, 1);
        QVERIFY(secondPage.contains("Doctor's signature:"));
        QVERIFY(secondPage.contains("- DRUG 60 500MG TWICE DAILY"));
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

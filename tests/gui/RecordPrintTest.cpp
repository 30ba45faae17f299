// The whole record printed from the record screen and exported as a PDF file, read back with
// pdftotext: every section and entry, the visits newest first, long findings wrapped onto a
// following page without a word lost, and every page telling whose it is.

#include "../backup/UnwritableFolder.h"
#include "PrescriptionSupport.h"
#include "RecordSupport.h"

#include "platform/RecordingPrintDevice.h"
#include "prescription/RecordPrinting.h"
#include "prescription/RecordPrintout.h"

#include <nlohmann/json.hpp>

#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QScopeGuard>
#include <fstream>
#include <set>
#include <sys/stat.h>

using namespace records;

namespace {

// Long enough to need more than one page by itself.
QString longFindings() {
    QStringList words;
    for (int i = 1; i <= 900; ++i)
        words << QString("finding%1").arg(i);
    return words.join(' ');
}

std::vector<std::string> visitTexts(const std::string& complaint, const std::string& eyes,
                                    const std::string& diagnosis) {
    std::vector<std::string> texts(ComplaintRecord::textCount);
    texts[0] = complaint;
    texts[1] = "38.5";
    texts[2] = "120/80";
    texts[7] = eyes;
    texts[19] = diagnosis;
    texts[20] = "Rest and fluids";
    return texts;
}

// A patient with an entry of every kind, the middle visit with findings of many pages.
std::string patientWithEverything() {
    const std::string id = addPatient("Nadia", "Aziz");
    HistoryEntryRecord().Add(id, "Allergies", "Penicillin: hives");
    HistoryEntryRecord().Add(id, "Medical", "Asthma since childhood");
    HistoryEntryRecord().Add(id, "Surgical", "Appendectomy 2001");
    HistoryEntryRecord().Add(id, "Social", "Non-smoker");
    HistoryEntryRecord().Add(id, "Family", "Father: diabetes");
    PatientMedicationRecord().Add(id, "SALBUTAMOL INHALER", "New Chronic");
    PatientMedicationRecord().Add(id, "MONTELUKAST 10MG", "Old Chronic");
    PatientMedicationRecord().Add(id, "AMOXICILLIN 500MG", "Temporary");
    TestRecord().Add(id, DateTime::fromCivil(2025, 3, 4), "Chest X-ray", "Clear lungs");
    ComplaintRecord().Add(id, DateTime::fromCivil(2025, 1, 10),
                          visitTexts("First cough", "", "Bronchitis"));
    ComplaintRecord().Add(id, DateTime::fromCivil(2025, 6, 20),
                          visitTexts("Red eyes", longFindings().toStdString(), "Conjunctivitis"));
    ComplaintRecord().Add(id, DateTime::fromCivil(2026, 2, 2),
                          visitTexts("Last wheeze", "", "Asthma attack"));
    return id;
}

QString pdfIn(GuiSession& s, const char* name) {
    return QDir(s.folder()).filePath(name);
}

// The export's file dialog, offering Nadia Aziz's record in that folder.
FileRequest exportIn(const QString& folder) {
    return {FileRequest::Save, "pdf", "PDF Files (*.pdf);;FHIR record (*.json)",
            QDir(folder).filePath("Aziz_Nadia_record.pdf").toStdString()};
}

BoxRecord notExported(const std::string& why, const std::string& file) {
    return {why + ". The record was not exported to " + file +
                "; any earlier file of that name is as it was.",
            "Error", MsgIcon::Stop};
}

// Opens the patient's record and prints it with Ctrl+P to a PDF file; the text read back.
QString printedRecord(GuiSession& s, const std::string& id) {
    ViewRec* record = openRecord(s, id);
    const QString file = pdfIn(s, "record.pdf");
    s.boxes().expectPrint(rx::toPdf(file));
    QTest::keyClick(record, Qt::Key_P, Qt::ControlModifier);
    GuiSession::settle();
    return rx::pdfText(file);
}

} // namespace

class RecordPrintTest : public QObject {
    Q_OBJECT

    // The user's home folder while the tests run, so the export starts in a known place.
    QTemporaryDir home;

private slots:
    void initTestCase() { qputenv("HOME", QFile::encodeName(home.path())); }

    // Worked out where both are plausible numbers, printed with the measurements of its visit.
    void theBmiPrintsBesideTheVitalSigns() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        std::vector<std::string> texts(kVisitTextCount);
        texts[visitText("complaint")] = "Weighed";
        texts[visitText("temp")] = "37";
        texts[visitText("height")] = "170";
        texts[visitText("weight")] = "70";
        QVERIFY(ComplaintRecord().Add(id, DateTime::fromCivil(2025, 1, 10), texts));
        texts[visitText("weight")] = "heavy";
        QVERIFY(ComplaintRecord().Add(id, DateTime::fromCivil(2025, 2, 10), texts));
        const QString flat = rx::lines(printedRecord(s, id)).join(' ');
        VERIFY_BOXES(s);
        QVERIFY2(flat.contains(QString::fromUtf8(
                     "Vital signs: Temperature 37 °C, Height 170 cm, Weight 70 Kg, BMI 24.2")),
                 qPrintable(flat));
        QVERIFY(flat.contains("Height 170 cm, Weight heavy Kg Diagnosis:"));
        QCOMPARE(flat.count("BMI"), 1);
    }

    void theWholeRecordPrintsOnPagesThatSayWhoseTheyAre() {
        GuiSession s;
        const std::string id = patientWithEverything();
        const QString text = printedRecord(s, id);
        VERIFY_BOXES(s);
        const QStringList lines = rx::lines(text);
        const QString flat = lines.join(' ');
        for (const char* expected :
             {"Patient's name: Nadia Aziz", "Date of birth: 17/05/1980",
              "Sex: Female", "Address: 3 Olive Lane", "Telephone: 555", "*** ALLERGIES ***",
              "- Penicillin: hives", "New Chronic:", "- SALBUTAMOL INHALER", "Old Chronic:",
              "- MONTELUKAST 10MG", "Temporary:", "- AMOXICILLIN 500MG", "Medical history",
              "- Asthma since childhood", "Surgical history", "- Appendectomy 2001",
              "Social history", "- Non-smoker", "Family history", "- Father: diabetes",
              "Tests", "Chest X-ray: Clear lungs", "Visit of 02/02/2026",
              "Complaint: Last wheeze", "Temperature 38.5 °C, Blood pressure 120/80 mmHg",
              "Diagnosis: Conjunctivitis", "Treatment plan: Rest and fluids"})
            QVERIFY2(flat.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(flat.contains(QString::fromStdString("Record number: " + id)));
        // Allergies come before everything else, the visits newest first.
        QVERIFY(flat.indexOf("ALLERGIES") < flat.indexOf("Medications"));
        QVERIFY(flat.indexOf("Last wheeze") < flat.indexOf("Red eyes"));
        QVERIFY(flat.indexOf("Red eyes") < flat.indexOf("First cough"));
        // An examination finding left empty is not printed.
        QCOMPARE(flat.count("Eyes:"), 1);

        // The long findings run over the following pages with every word in its place.
        const QStringList words = flat.split(' ');
        const qsizetype first = words.indexOf("finding1");
        QVERIFY(first > 0);
        QStringList printed;
        for (qsizetype i = first; i < words.size() && printed.size() < 900; ++i)
            if (words[i].startsWith("finding"))
                printed << words[i];
        QCOMPARE(printed.join(' '), longFindings());

        const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
        const int pageCount = rx::pageCount(text);
        QVERIFY(pageCount >= 3);
        for (int n = 1; n <= pageCount; ++n) {
            const QString page = rx::lines(pages[n - 1]).join(' ');
            QVERIFY2(page.contains("Nadia Aziz, born 17/05/1980"), qPrintable(page.left(200)));
            QVERIFY(page.contains(QString("Page %1 of %2").arg(n).arg(pageCount)));
        }
    }

    // A letterhead and a name wider than the page wrap; no word of them is lost, on any page.
    void longLinesWrapWithinThePage() {
        GuiSession s;
        const std::string clinic = "The Very Long Named Cedar Valley Family Medicine and "
                                   "Community Health Cooperative Clinic of North Tripoli";
        QVERIFY(ClinicInfo().Save(clinic, "Dr. Amal Haddad", "MD", "555-0142",
                                  "12 Harbour Road", "Tripoli", "North", "01300"));
        const std::string first = "María del Carmen Alejandra Guadalupe";
        const std::string last =
            "Fernández de la Concepción Rodríguez y Montenegro Aguilar de los Santos Villanueva";
        const std::string id = addPatient(first, last);
        std::vector<std::string> texts(ComplaintRecord::textCount, "seen");
        texts[7] = longFindings().toStdString();
        ComplaintRecord().Add(id, DateTime::fromCivil(2025, 6, 20), texts);
        const QString text = printedRecord(s, id);
        VERIFY_BOXES(s);
        const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
        QVERIFY(pages.size() >= 2);
        const auto hasEveryWord = [](const QString& page, const std::string& words) {
            const QStringList printed = rx::lines(page).join(' ').split(' ');
            for (const QString& word : QString::fromStdString(words).split(' '))
                if (!printed.contains(word))
                    return false;
            return true;
        };
        QVERIFY(hasEveryWord(pages.first(), clinic));
        for (const QString& page : pages)
            QVERIFY(hasEveryWord(page, first + " " + last + ","));
    }

    // Visits and tests entered out of date order, as from old paper files, print newest first
    // by date; of one day's, the later entered first.
    void visitsAndTestsPrintByDateNewestFirst() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        const std::pair<DateTime, const char*> visits[] = {
            {DateTime::fromCivil(2025, 6, 1, 9), "June visit"},
            {DateTime::fromCivil(2018, 1, 1, 16), "Early New Year visit"},
            {DateTime::fromCivil(2022, 3, 3, 10), "March visit"},
            {DateTime::fromCivil(2018, 1, 1, 8), "Later New Year visit"},
        };
        for (const auto& [day, complaint] : visits)
            QVERIFY(ComplaintRecord().Add(id, day, visitTexts(complaint, "", "Cold")));
        // Two-digit years would put 1999 after 2025.
        QVERIFY(TestRecord().Add(id, DateTime::fromCivil(2010, 7, 7), "Blood count", "b"));
        QVERIFY(TestRecord().Add(id, DateTime::fromCivil(1999, 5, 5), "Chest X-ray", "x"));
        QVERIFY(TestRecord().Add(id, DateTime::fromCivil(2025, 1, 1), "Lipids", "l"));
        QVERIFY(TestRecord().Add(id, DateTime::fromCivil(2010, 7, 7), "Urine", "u"));
        const QString text = printedRecord(s, id);
        VERIFY_BOXES(s);
        const QString flat = rx::lines(text).join(' ');
        const auto inOrder = [&flat](const QStringList& texts) {
            qsizetype from = 0;
            for (const QString& t : texts) {
                from = flat.indexOf(t, from);
                if (from < 0)
                    return false;
            }
            return true;
        };
        QVERIFY2(inOrder({"Visit of 01/06/2025", "June visit", "Visit of 03/03/2022", "March visit",
                          "Visit of 01/01/2018", "Later New Year visit", "Visit of 01/01/2018",
                          "Early New Year visit"}),
                 qPrintable(flat));
        QVERIFY2(inOrder({"01/01/25 Lipids: l", "07/07/10 Urine: u", "07/07/10 Blood count: b",
                          "05/05/99 Chest X-ray: x"}),
                 qPrintable(flat));
    }

    // Every word of every page lies at least 12 mm inside the paper.
    void theRecordKeepsMarginsAnOfficePrinterCanPrint() {
        GuiSession s;
        const std::string id = patientWithEverything();
        openRecord(s, id);
        const QString file = pdfIn(s, "record.pdf");
        s.boxes().expectPrint(rx::toPdf(file));
        s.frame().routeCommand(ID_FILE_PRINT);
        VERIFY_BOXES(s);
        const QList<rx::PdfWord> words = rx::pdfWords(file);
        QVERIFY(words.last().page >= 3);
        const QMarginsF margins = rx::pdfMargins(words);
        for (const double margin :
             {margins.left(), margins.top(), margins.right(), margins.bottom()})
            QVERIFY2(margin >= 12, qPrintable(QString("%1 mm").arg(margin)));
        // The page is used up to the margins, not shrunk further.
        QVERIFY2(margins.left() < 12.5 && margins.top() < 13,
                 qPrintable(QString("%1 mm").arg(margins.left())));
    }

    // A printer whose own margins are wider than 12 mm keeps them; a narrower one gets 12 mm.
    void theMarginsAreThePrintersWhenWider_data() {
        QTest::addColumn<int>("printerMargin"); // pixels at 600 per inch
        QTest::addColumn<int>("expected");
        QTest::newRow("whole sheet printable") << 0 << 284;
        QTest::newRow("an ink-jet's 3.4 mm") << 80 << 284;
        QTest::newRow("a printer's own 20 mm") << 472 << 472;
    }
    void theMarginsAreThePrintersWhenWider() {
        QFETCH(int, printerMargin);
        QFETCH(int, expected);
        GuiSession s;
        const std::optional<RecordContents> contents =
            RecordContents::fetch(patientWithEverything());
        QVERIFY(contents);
        const QSize a4(4961, 7016);
        const QMargins paper(printerMargin, printerMargin, printerMargin, printerMargin);
        RecordingPrintDevice device(600, 600, a4.shrunkBy(paper), true, paper);
        RecordPrintout(*contents, std::nullopt).print(device);
        int left = a4.width(), top = a4.height(), right = 0, bottom = 0;
        for (const RecordingPrintDevice::Call& c : device.calls()) {
            if (c.kind != RecordingPrintDevice::Call::Text)
                continue;
            const int width = device.textWidth(c.text, c.font);
            const int x =
                printerMargin + c.at.x() - (c.anchor == TextAnchor::TopCentre ? width / 2 : 0);
            const int y = printerMargin + c.at.y();
            left = std::min(left, x);
            top = std::min(top, y);
            right = std::max(right, x + width);
            bottom = std::max(bottom, y + 100); // a row is a sixth of an inch
        }
        QCOMPARE(left, expected);
        QCOMPARE(top, expected);
        QVERIFY(right <= a4.width() - expected);
        QVERIFY(bottom <= a4.height() - expected);
        QVERIFY(bottom > a4.height() - expected - 200);
    }

    void thePreviewShowsEveryPage() {
        GuiSession s;
        openRecord(s, patientWithEverything());
        int pages = 0;
        const bool shown = GuiSession::withModal<QPrintPreviewDialog>(
            [&] { s.frame().routeCommand(ID_FILE_PRINT_PREVIEW); },
            [&](QPrintPreviewDialog& dialog) {
                pages = dialog.findChild<QPrintPreviewWidget*>()->pageCount();
                dialog.reject();
            });
        QVERIFY(shown);
        QVERIFY(pages >= 3);
        VERIFY_BOXES(s);
    }

    // The export writes the document readable by its owner only, under the name the user
    // chose, leaving no part file behind; a file that cannot be written is reported.
    void theRecordIsExportedAsAPrivatePdfFile() {
        GuiSession s;
        const std::string id = patientWithEverything();
        openRecord(s, id);
        const QString file = pdfIn(s, "chosen.pdf");
        const FileRequest request = exportIn(home.path());
        s.boxes().expectFile(request, file.toStdString());
        s.boxes().expectBox({"The record was exported to " + file.toStdString() + ".",
                             "Confirmation", MsgIcon::Information});
        s.frame().routeCommand(ID_FILE_EXPORT_RECORD);
        VERIFY_BOXES(s);
        struct stat info {};
        QCOMPARE(stat(QFile::encodeName(file).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
        QVERIFY(rx::pdfText(file).contains("Penicillin: hives"));
        QCOMPARE(QDir(s.folder())
                     .entryList({"*.part-*", "*.medora-partial-*"}, QDir::Hidden | QDir::Files),
                 QStringList());

        const FileRequest again = exportIn(s.folder());
        const std::string refused = pdfIn(s, "no such folder/record.pdf").toStdString();
        s.boxes().expectFile(again, refused);
        s.boxes().expectBox(notExported("No such file or directory", refused));
        s.frame().routeCommand(ID_FILE_EXPORT_RECORD);
        VERIFY_BOXES(s);

        const UnwritableFolder shut(pdfIn(s, "shut").toStdString());
        if (!shut.holds())
            QSKIP("no folder can be made unwritable for this user on this file system");
        const std::string denied = pdfIn(s, "shut/record.pdf").toStdString();
        s.boxes().expectFile(again, denied);
        s.boxes().expectBox(notExported("Permission denied", denied));
        s.frame().routeCommand(ID_FILE_EXPORT_RECORD);
        VERIFY_BOXES(s);
    }

    // Named .json, whatever the case, the export is the record as one FHIR Bundle, readable
    // by its owner only; a file that cannot be written is reported and nothing is left.
    void theRecordIsExportedAsAFhirRecordWhenNamedSo() {
        GuiSession s;
        const std::string id = patientWithEverything();
        openRecord(s, id);
        const std::string file = pdfIn(s, "nadia.JSON").toStdString();
        s.boxes().expectFile(exportIn(home.path()), file);
        s.boxes().expectBox(
            {"The record was exported to " + file + ".", "Confirmation", MsgIcon::Information});
        s.frame().routeCommand(ID_FILE_EXPORT_RECORD);
        VERIFY_BOXES(s);
        struct stat info {};
        QCOMPARE(stat(file.c_str(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
        std::ifstream in(file);
        const nlohmann::json bundle = nlohmann::json::parse(in, nullptr, false);
        QVERIFY(!bundle.is_discarded());
        QVERIFY(bundle["type"] == "collection");
        std::set<std::string> allergies, patients;
        for (const nlohmann::json& entry : bundle["entry"]) {
            const nlohmann::json& resource = entry["resource"];
            if (resource["resourceType"] == "AllergyIntolerance")
                allergies.insert(resource["code"]["text"]);
            if (resource["resourceType"] == "Patient")
                patients.insert(resource["identifier"][0]["value"]);
        }
        QVERIFY(allergies == std::set<std::string>{"Penicillin: hives"});
        QVERIFY(patients == std::set<std::string>{id});

        const std::string refused = pdfIn(s, "no such folder/record.json").toStdString();
        s.boxes().expectFile(exportIn(s.folder()), refused);
        s.boxes().expectBox({refused + " was not found. The record was not exported to " + refused +
                                 "; any earlier file of that name is as it was.",
                             "Error", MsgIcon::Stop});
        s.frame().routeCommand(ID_FILE_EXPORT_RECORD);
        VERIFY_BOXES(s);
        QCOMPARE(QDir(s.folder()).entryList({"*.json*"}, QDir::Hidden | QDir::Files),
                 QStringList{"nadia.JSON"});
    }

    // The export starts in the user's documents, or at home when there are none, and after
    // an export in the folder it went to, the next time the program runs too; never in the
    // records' folder, where a file left by Enter would never be found.
    void theExportStartsInTheDocumentsThenWhereTheLastWent() {
        GuiSession s;
        const std::string id = patientWithEverything();
        openRecord(s, id);
        s.boxes().expectFile(exportIn(home.path()), std::nullopt);
        s.frame().routeCommand(ID_FILE_EXPORT_RECORD);

        const QString documents = QDir(home.path()).filePath("Documents");
        QVERIFY(QDir().mkpath(documents));
        auto away = qScopeGuard([&] { QDir(documents).removeRecursively(); });
        s.boxes().expectFile(exportIn(documents), std::nullopt);
        s.frame().routeCommand(ID_FILE_EXPORT_RECORD);

        const QString letters = pdfIn(s, "letters");
        QVERIFY(QDir().mkpath(letters));
        const std::string chosen = QDir(letters).filePath("nadia.pdf").toStdString();
        s.boxes().expectFile(exportIn(documents), chosen);
        s.boxes().expectBox(
            {"The record was exported to " + chosen + ".", "Confirmation", MsgIcon::Information});
        s.frame().routeCommand(ID_FILE_EXPORT_RECORD);

        s.restart();
        openRecord(s, id);
        s.boxes().expectFile(exportIn(letters), std::nullopt);
        s.frame().routeCommand(ID_FILE_EXPORT_RECORD);

        // A folder since removed is forgotten.
        QVERIFY(QDir(letters).removeRecursively());
        s.boxes().expectFile(exportIn(documents), std::nullopt);
        s.frame().routeCommand(ID_FILE_EXPORT_RECORD);
        VERIFY_BOXES(s);
    }

    void theOfferedNameHoldsOnlyWhatAFileNameCan_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("offered");
        QTest::newRow("plain") << "Nadia" << "Aziz" << "Aziz_Nadia_record.pdf";
        QTest::newRow("spaces and slashes") << "Mary Ann" << "O/Brien" << "O_Brien_Mary_Ann_record.pdf";
        QTest::newRow("accents kept") << "José" << "Núñez" << "Núñez_José_record.pdf";
    }
    void theOfferedNameHoldsOnlyWhatAFileNameCan() {
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, offered);
        QCOMPARE(QString::fromStdString(
                     RecordPrinting::suggestedFileName(first.toStdString(), last.toStdString())),
                 offered);
    }
};

QTEST_MAIN(RecordPrintTest)
#include "RecordPrintTest.moc"

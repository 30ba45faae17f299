// Database › Import records… from the main menu: a Bulk Data folder chosen by any of its files
// comes in as new patients with the report shown; input that is not FHIR, or a Cancel,
// writes nothing.

#include "GuiSession.h"

#include "app/MainMenu.h"
#include "exchange/FhirBulkExport.h"
#include "platform/ProgressDialog.h"
#include "store/store.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>

namespace {

const FileRequest kChooseInput{FileRequest::Open, "json",
                               "FHIR Bundle, or any file of a Bulk Data folder (*.json *.ndjson)",
                               ""};

std::vector<std::string> patientNames() {
    PatientNameList list;
    list.FetchAll();
    std::vector<std::string> names;
    for (size_t i = 0; i < list.m_ids.size(); ++i)
        names.push_back(list.m_firstNames[i] + " " + list.m_lastNames[i]);
    return names;
}

} // namespace

class ImportRecordsTest : public QObject {
    Q_OBJECT

    // Chooses the file, then sees the outcome's box, if any.
    void importFrom(GuiSession& s, const QString& file, const std::optional<BoxRecord>& box) {
        s.boxes().expectFile(kChooseInput, file.toStdString());
        if (box)
            s.boxes().expectBox(*box);
        QAction* entry = s.menuEntry("&Database", "Import records\u2026");
        QVERIFY(entry && entry->isEnabled());
        entry->trigger();
        GuiSession::settle();
    }

    // The clinic's two patients, one with a visit, exported as a Bulk Data folder.
    QString exportedClinic(GuiSession& s) {
        PatientRecord ann;
        ann.Add("Ann", "Lee", DateTime::fromCivil(1980, 5, 17), 1, "", "");
        std::vector<std::string> texts(ComplaintRecord::textCount);
        texts[0] = "Cough";
        ComplaintRecord().Add(ann.m_id, DateTime::fromCivil(2026, 3, 2), texts);
        PatientRecord().Add("Bob", "Roe", DateTime::fromCivil(1990, 1, 1), 0, "", "");
        const QString folder = s.folder() + "/export";
        QDir().mkdir(folder);
        if (FhirBulkExport::writeClinic(folder.toStdString(), nullptr, {}))
            return {};
        return folder;
    }

private slots:
    void aFolderChosenByOneOfItsFilesComesInWhole() {
        GuiSession s;
        const QString folder = exportedClinic(s);
        QVERIFY(!folder.isEmpty());
        importFrom(s, folder + "/Encounter.ndjson",
                   BoxRecord{"The records are imported.\n\n"
                             "2 patients added, each with a new record number.\n"
                             "  Encounter: 1 taken, 0 not held, 0 further elements not held\n"
                             "  Patient: 2 taken, 0 not held, 0 further elements not held\n",
                             "Confirmation", MsgIcon::Information});
        QCOMPARE(patientNames(),
                 (std::vector<std::string>{"Ann Lee", "Bob Roe", "Ann Lee", "Bob Roe"}));
        QVERIFY(s.active<MainMenu>());
        VERIFY_BOXES(s);
    }

    // A file that breaks FHIR's rules is refused with the reason; Cancel in the progress dialog
    // writes nothing either.
    void refusalOrCancelWritesNothing() {
        GuiSession s;
        const QString folder = exportedClinic(s);
        QVERIFY(!folder.isEmpty());
        const QString notFhir = s.folder() + "/notes.json";
        QFile file(notFhir);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"resourceType": "Bundle", "type": "collection", "entry": [
                        {"resource": {"resourceType": "Patient", "id": "p1",
                                      "birthDate": "17 May 1980"}}]})");
        file.close();
        importFrom(s, notFhir,
                   BoxRecord{notFhir.toStdString() +
                                 ", entry 1: the Patient \"p1\" breaks FHIR R4's rules: "
                                 "birthDate: \"17 May 1980\" is not a FHIR date (YYYY-MM-DD). "
                                 "Nothing was imported.",
                             "Medora 1.0",
                             MsgIcon::Stop});

        QStringList labels;
        ProgressDialog::whenShown = [&labels](QProgressDialog& dialog) {
            labels << dialog.labelText();
            QTest::mouseClick(dialog.findChild<QPushButton*>(), Qt::LeftButton);
        };
        importFrom(s, folder + "/Patient.ndjson", std::nullopt);
        ProgressDialog::whenShown = {};
        QCOMPARE(labels, QStringList{"Importing the records…"});
        QCOMPARE(patientNames(), (std::vector<std::string>{"Ann Lee", "Bob Roe"}));
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(ImportRecordsTest)
#include "ImportRecordsTest.moc"

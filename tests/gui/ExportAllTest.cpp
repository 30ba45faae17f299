// Database › Export all records… from the main menu: every record written as FHIR in the
// chosen folder, a Cancel or a failure leaving the folder as it was.

#include "GuiSession.h"

#include "app/MainMenu.h"
#include "platform/ProgressDialog.h"
#include "records/FileFailure.h"
#include "store/store.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>

#include <cerrno>

namespace {

const FileRequest kChooseFolder{FileRequest::Folder, "", "", ""};

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files);
}

} // namespace

class ExportAllTest : public QObject {
    Q_OBJECT

    // Chooses the folder, then sees the outcome's box, if any.
    void exportInto(GuiSession& s, const QString& folder, const std::optional<BoxRecord>& box) {
        s.boxes().expectFile(kChooseFolder, folder.toStdString());
        if (box)
            s.boxes().expectBox(*box);
        QAction* entry = s.menuEntry("&Database", "Export all records\u2026");
        QVERIFY(entry && entry->isEnabled());
        entry->trigger();
        GuiSession::settle();
    }

private slots:
    void everyRecordIsWrittenAndCounted() {
        GuiSession s;
        QVERIFY(PatientRecord().Add("Ann", "Lee", DateTime::fromCivil(1980, 5, 17), 1, "", ""));
        QVERIFY(PatientRecord().Add("Bob", "Roe", DateTime::fromCivil(1990, 1, 1), 0, "", ""));
        const QString folder = s.folder() + "/export";
        QDir().mkdir(folder);
        exportInto(s, folder,
                   BoxRecord{"Every record is exported to " + folder.toStdString() +
                                 " as FHIR, one file for each kind of resource:\n"
                                 "\nAllergyIntolerance: 0\nCarePlan: 0\nCondition: 0"
                                 "\nEncounter: 0\nFamilyMemberHistory: 0\nMedicationStatement: 0"
                                 "\nObservation: 0\nPatient: 2\nProcedure: 0",
                             "Confirmation", MsgIcon::Information});
        QVERIFY(filesIn(folder).contains("README.md"));
        QFile patients(folder + "/Patient.ndjson");
        QVERIFY(patients.open(QIODevice::ReadOnly));
        QCOMPARE(patients.readAll().count('\n'), 2);
        QVERIFY(s.active<MainMenu>());
        VERIFY_BOXES(s);
    }

    // Cancel in the progress dialog writes nothing; a folder that cannot be written to is
    // told, and nothing is left in it either.
    void cancelOrFailureLeavesTheFolderAsItWas() {
        GuiSession s;
        QVERIFY(PatientRecord().Add("Ann", "Lee", DateTime::fromCivil(1980, 5, 17), 1, "", ""));
        const QString folder = s.folder() + "/export";
        QDir().mkdir(folder);
        QStringList labels;
        ProgressDialog::whenShown = [&labels](QProgressDialog& dialog) {
            labels << dialog.labelText();
            QTest::mouseClick(dialog.findChild<QPushButton*>(), Qt::LeftButton);
        };
        exportInto(s, folder, std::nullopt);
        ProgressDialog::whenShown = {};
        QCOMPARE(labels, QStringList{"Exporting every record…"});
        QCOMPARE(filesIn(folder), QStringList{});

        const QString missing = folder + "/not-there";
        const std::string firstFile = missing.toStdString() + "/AllergyIntolerance.ndjson";
        exportInto(s, missing,
                   BoxRecord{FileFailure::fromErrno(ENOENT, firstFile).describe(), "Medora 1.0",
                             MsgIcon::Stop});
        QVERIFY(!QDir(missing).exists());
        QCOMPARE(filesIn(folder), QStringList{});
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(ExportAllTest)
#include "ExportAllTest.moc"

// Backup and restore from the main menu on whichever records are in use: this computer's
// file, or the clinic's server when the test runs there.

#include "GuiSession.h"

#include "app/AutoBackup.h"
#include "app/BackupSettings.h"
#include "app/MainMenu.h"
#include "platform/ProgressDialog.h"
#include "res/resource.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>

namespace {

const BoxRecord kWarning{"Resotring the database from a backup file will delete all data in the "
                         "currently used database, proceed?",
                         "Warning", MsgIcon::Exclamation, MsgButtons::YesNo};

// The time the restores go by.
const DateTime kNow = DateTime::fromCivil(2026, 12, 8, 14, 5, 9);

std::vector<std::string> patientNames() {
    PatientNameList list;
    list.FetchAll();
    return list.m_firstNames;
}

} // namespace

class BackupEitherEngineTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        AutoBackup::setClock([] { return kNow; });
    }
    void cleanup() { AutoBackup::setClock({}); }

    // The restore says where it kept the records it replaced.
    void restoreBringsBackTheMomentOfTheBackup() {
        GuiSession s;
        const std::string backup = (s.folder() + "/monday.rbk").toStdString();
        QVERIFY(PatientRecord().Add("Before", "Lee", DateTime::fromCivil(1980, 5, 17), 1, "", ""));
        s.boxes().expectFile({FileRequest::Save, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"},
                             backup);
        s.boxes().expectBox(
            {"Backup operation completed successfully", "Confirmation", MsgIcon::Information});
        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_BACKUP);
        QVERIFY(QFile::exists(QString::fromStdString(backup)));

        QVERIFY(PatientRecord().Add("Since", "Lee", DateTime::fromCivil(1990, 1, 1), 0, "", ""));
        s.boxes().expectBox(kWarning, IDYES);
        s.boxes().expectFile({FileRequest::Open, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"},
                             backup);
        const std::string kept = BackupSettings::folder() + "/medora-" +
                                 BackupSettings::recordsInUse().substr(0, 12) +
                                 "-before-restore-2026-12-08-140509.rbk";
        s.boxes().expectBox({"Database restore operation completed successfully.\n\nThe records it "
                             "replaced are kept as the backup \"before restore, Tuesday 08 "
                             "December, 2026 14:05\" in " +
                                 kept,
                             "Confirmation", MsgIcon::Information});
        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_RESTORE);
        QCOMPARE(patientNames(), std::vector<std::string>{"Before"});
        QVERIFY(QFile::exists(QString::fromStdString(kept)));
        QVERIFY(s.active<MainMenu>());
        VERIFY_BOXES(s);
    }

    // Cancel in the progress dialog of either operation leaves the records and the folder the
    // backup was to go to as they were.
    void cancelLeavesEverythingAsItWas() {
        GuiSession s;
        const std::string backup = (s.folder() + "/kept.rbk").toStdString();
        QVERIFY(PatientRecord().Add("Kept", "Lee", DateTime::fromCivil(1980, 5, 17), 1, "", ""));
        s.boxes().expectFile({FileRequest::Save, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"},
                             backup);
        s.boxes().expectBox(
            {"Backup operation completed successfully", "Confirmation", MsgIcon::Information});
        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_BACKUP);
        QVERIFY(PatientRecord().Add("Since", "Lee", DateTime::fromCivil(1990, 1, 1), 0, "", ""));
        const QStringList folderBefore = QDir(s.folder()).entryList(QDir::Files);

        QStringList labels;
        ProgressDialog::whenShown = [&labels](QProgressDialog& dialog) {
            labels << dialog.labelText();
            QTest::mouseClick(dialog.findChild<QPushButton*>(), Qt::LeftButton);
        };
        s.boxes().expectFile({FileRequest::Save, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"},
                             (s.folder() + "/stopped.rbk").toStdString());
        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_BACKUP);
        s.boxes().expectBox(kWarning, IDYES);
        s.boxes().expectFile({FileRequest::Open, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"},
                             backup);
        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_RESTORE);
        ProgressDialog::whenShown = {};

        QCOMPARE(labels, (QStringList{"Backing up the records…", "Restoring the records…"}));
        QCOMPARE(QDir(s.folder()).entryList(QDir::Files), folderBefore);
        QCOMPARE(patientNames(), (std::vector<std::string>{"Kept", "Since"}));
        QVERIFY(s.active<MainMenu>());
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(BackupEitherEngineTest)
#include "BackupEitherEngineTest.moc"

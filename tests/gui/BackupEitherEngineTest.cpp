// Backup and restore from the main menu on whichever records are in use: this computer's
// file, or the clinic's server when the test runs there.

#include "GuiSession.h"

#include "app/AutoBackup.h"
#include "app/BackupSettings.h"
#include "app/MainMenu.h"
#include "app/Screens.h"
#include "platform/ProgressDialog.h"
#include "res/resource.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>

#include <unistd.h>

namespace {

const BoxRecord kWarning{"Resotring the database from a backup file will delete all data in the "
                         "currently used database, proceed?",
                         "Warning", MsgIcon::Exclamation, MsgButtons::YesNo};

QByteArray bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList everythingIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// What medora-admin said on its error stream and how it ended, run in folder.
std::pair<int, QString> admin(const QString& folder, const QStringList& arguments) {
    QProcess run;
    run.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("MEDORA_DATA_DIR", folder);
    run.setProcessEnvironment(environment);
    run.start(MEDORA_ADMIN, arguments);
    run.waitForFinished(60'000);
    return {run.exitCode(), QString::fromUtf8(run.readAllStandardError())};
}

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

    void theRecordsFileIsNeverABackupsTarget_data() {
        QTest::addColumn<QString>("named");  // as the user names it in the data folder
        QTest::addColumn<QString>("made");   // what the row makes first: "link", "hard", "folder"
        QTest::addColumn<QString>("itself"); // what the refusal calls it
        const QString file = "the records file itself";
        const QString journal = "the records file's journal";
        QTest::newRow("its own name") << "clinic_db.mdb"
                                      << "" << file;
        QTest::newRow("from here") << "./clinic_db.mdb"
                                   << "" << file;
        QTest::newRow("through the folder above") << "../%1/clinic_db.mdb"
                                                  << "" << file;
        QTest::newRow("a link to it") << "link.rbk"
                                      << "link" << file;
        QTest::newRow("a link to its folder") << "here/clinic_db.mdb"
                                              << "folder" << file;
        QTest::newRow("another name of it") << "hard.rbk"
                                            << "hard" << file;
        QTest::newRow("its journal") << "clinic_db.mdb-journal"
                                     << "" << journal;
        QTest::newRow("its write-ahead log") << "./clinic_db.mdb-wal"
                                             << "" << journal;
    }

    // Neither the Backup button nor medora-admin writes a backup over the records file, under
    // any of its names, nor where its journal would be taken for its own: on the server too,
    // whose desks may go back to the data folder's file.
    void theRecordsFileIsNeverABackupsTarget() {
        QFETCH(QString, named);
        QFETCH(QString, made);
        QFETCH(QString, itself);
        GuiSession s;
        const QString folder = s.folder();
        named = named.arg(QFileInfo(folder).fileName());
        QVERIFY(PatientRecord().Add("Kept", "Lee", DateTime::fromCivil(1980, 5, 17), 1, "", ""));
        const QString records = folder + "/clinic_db.mdb";
        // On the server the data folder holds the file only where a link needs it.
        if (made == "link" || made == "hard")
            QVERIFY(QFile::exists(records) || QFile::copy(MEDORA_EMPTY_DB, records));
        if (made == "link")
            QVERIFY(QFile::link("clinic_db.mdb", folder + "/link.rbk"));
        if (made == "hard")
            QCOMPARE(::link(QFile::encodeName(records).constData(),
                            QFile::encodeName(folder + "/hard.rbk").constData()),
                     0);
        if (made == "folder")
            QVERIFY(QFile::link(folder, folder + "/here"));
        const QByteArray recordsBefore = bytes(records);
        const QStringList folderBefore = everythingIn(folder);
        const std::vector<std::string> patientsBefore = patientNames();

        const QString chosen = folder + "/" + named;
        const std::string refusal = "; choose another name for the backup.";
        s.boxes().expectFile({FileRequest::Save, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"},
                             chosen.toStdString());
        s.boxes().expectBox(
            {(chosen + " is " + itself).toStdString() + refusal, kAppTitle, MsgIcon::Stop});
        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_BACKUP);
        VERIFY_BOXES(s);

        const auto [status, said] = admin(folder, {"backup", named});
        QCOMPARE(status, 1);
        QCOMPARE(said, "medora-admin: " + named + " is " + itself +
                           QString::fromStdString(refusal) + "\n");

        QCOMPARE(bytes(records), recordsBefore);
        QCOMPARE(everythingIn(folder), folderBefore);
        QCOMPARE(patientNames(), patientsBefore);
    }
};

QTEST_MAIN(BackupEitherEngineTest)
#include "BackupEitherEngineTest.moc"

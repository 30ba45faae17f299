// Backup and restore of the records from the main menu, its buttons and its toolbar.

#include "GuiSession.h"

#include "../backup/UnwritableFolder.h"
#include "app/AutoBackup.h"
#include "app/BackupSettings.h"
#include "app/MainMenu.h"
#include "records/AuditTrail.h"
#include "res/resource.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QToolBar>
#include <sqlite3.h>
#include <sys/resource.h>

#include <csignal>

namespace {

const FileRequest kSaveBackup{FileRequest::Save, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"};
const FileRequest kOpenBackup{FileRequest::Open, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"};
const BoxRecord kBackedUp{"Backup operation completed successfully", "Confirmation",
                          MsgIcon::Information};
// The time the restores go by.
const DateTime kNow = DateTime::fromCivil(2026, 12, 8, 14, 5, 9);
const BoxRecord kWarning{"Resotring the database from a backup file will delete all data in the "
                         "currently used database, proceed?",
                         "Warning", MsgIcon::Exclamation, MsgButtons::YesNo};

BoxRecord stop(const std::string& text) {
    return {text, "Medora 1.0", MsgIcon::Stop};
}

// Where a restore now keeps the records it replaces.
std::string keptFile() {
    return BackupSettings::folder() + "/medora-" + BackupSettings::recordsInUse().substr(0, 12) +
           "-before-restore-2026-12-08-140509.rbk";
}

BoxRecord restored() {
    return {"Database restore operation completed successfully.\n\nThe records it replaced are "
            "kept as the backup \"before restore, Tuesday 08 December, 2026 14:05\" in " +
                keptFile(),
            "Confirmation", MsgIcon::Information};
}

BoxRecord notKept(const std::string& why) {
    return stop("The records in use could not be kept as a backup before the restore, so "
                "nothing was restored. " +
                why);
}

QByteArray bytes(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void write(const QString& path, const QByteArray& data) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(data);
}

void addPatient(const std::string& name) {
    QVERIFY(PatientRecord().Add(name, "Lee", DateTime::fromCivil(1980, 5, 17), 1, "", ""));
}

std::vector<std::string> patientNames() {
    PatientNameList list;
    list.FetchAll();
    return list.m_firstNames;
}

// Leaves out the daily backups' folder and the settings.
QStringList filesIn(const QString& folder) {
    QStringList names =
        QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    names.removeAll("backups");
    names.removeAll(QCoreApplication::organizationName());
    return names;
}

void pressBackup(GuiSession& s) {
    GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_BACKUP);
}

void pressRestore(GuiSession& s) {
    GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_RESTORE);
}

// As the user does from the toolbar.
void clickTool(GuiSession& s, int command) {
    auto* toolbar = s.frame().findChild<QToolBar*>("Standard");
    QTest::mouseClick(toolbar->widgetForAction(s.frame().commandAction(command)), Qt::LeftButton);
    GuiSession::settle();
}

// Another program that holds the records' exclusive lock while it lives.
struct OtherProgram {
    sqlite3* db = nullptr;
    OtherProgram() {
        sqlite3_open("clinic_db.mdb", &db);
        sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    }
    ~OtherProgram() { sqlite3_close(db); }
};

// Lets no file grow past a few kilobytes, as a full disk would.
struct NearlyFullDisk {
    rlimit before{};
    NearlyFullDisk() {
        getrlimit(RLIMIT_FSIZE, &before);
        signal(SIGXFSZ, SIG_IGN);
        const rlimit small{16384, before.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~NearlyFullDisk() {
        setrlimit(RLIMIT_FSIZE, &before);
        signal(SIGXFSZ, SIG_DFL);
    }
};

} // namespace

class BackupRestoreTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        AutoBackup::setClock([] { return kNow; });
    }
    void cleanup() { AutoBackup::setClock({}); }

    // The records replaced are kept beside the daily backups and are not lost when closing
    // backs up the restored ones.
    void restoreBringsBackTheMomentOfTheBackup() {
        GuiSession s;
        const QString backup = s.folder() + "/monday.rbk";
        addPatient("Before");
        const QByteArray backedUp = bytes("clinic_db.mdb");
        s.boxes().expectFile(kSaveBackup, backup.toStdString());
        s.boxes().expectBox(kBackedUp);
        pressBackup(s);
        QCOMPARE(bytes(backup), backedUp);

        addPatient("Since");
        const QByteArray replaced = bytes("clinic_db.mdb");
        s.boxes().expectBox(kWarning, IDYES);
        s.boxes().expectFile(kOpenBackup, backup.toStdString());
        s.boxes().expectBox(restored());
        clickTool(s, ID_DATABASE_RESTORE);
        QCOMPARE(patientNames(), std::vector<std::string>{"Before"});
        // The trail goes on from today's: it holds the entry of the backup, made after the
        // backup's own trail ends, and then the restore, which names the backup.
        const std::vector<AuditEntry> trail = AuditTrail::ofFile("clinic_db.mdb");
        const size_t inBackup = AuditTrail::ofFile(backup.toStdString()).size();
        QVERIFY(trail.size() > inBackup);
        QVERIFY(std::any_of(trail.begin() + long(inBackup), trail.end(), [](const AuditEntry& e) {
            return e.action == "backup" && e.details.find("monday.rbk") != std::string::npos;
        }));
        QCOMPARE(trail.back().action, std::string("restore"));
        QVERIFY(trail.back().details.find("monday.rbk") != std::string::npos);
        const QString kept = QString::fromStdString(keptFile());
        QCOMPARE(bytes(kept), replaced);
        s.restart();
        QCOMPARE(bytes(kept), replaced);
        QCOMPARE(patientNames(), std::vector<std::string>{"Before"});
        QVERIFY(s.active<MainMenu>());
        QCOMPARE(filesIn(s.folder()), QStringList({"clinic_db.mdb", "monday.rbk"}));
        VERIFY_BOXES(s);
    }

    void noOrCancelChangesNothing() {
        GuiSession s;
        addPatient("Kept");
        const QByteArray before = bytes("clinic_db.mdb");
        s.boxes().expectBox(kWarning, IDNO);
        pressRestore(s);
        s.boxes().expectBox(kWarning, IDYES);
        s.boxes().expectFile(kOpenBackup, std::nullopt);
        pressRestore(s);
        s.boxes().expectFile(kSaveBackup, std::nullopt);
        clickTool(s, ID_DATABASE_BACKUP);
        QCOMPARE(bytes("clinic_db.mdb"), before);
        QCOMPARE(filesIn(s.folder()), QStringList({"clinic_db.mdb"}));
        VERIFY_BOXES(s);
    }

    void refusedRestoreLeavesTheRecords_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text") << "text";
        QTest::newRow("empty") << "empty";
        QTest::newRow("truncated backup") << "truncated";
        QTest::newRow("another program's database") << "other";
    }

    void refusedRestoreLeavesTheRecords() {
        QFETCH(QString, kind);
        GuiSession s;
        addPatient("Current");
        const QString chosen = s.folder() + "/chosen.rbk";
        if (kind == "text")
            write(chosen, "Appointments for Monday:\n9:00 Ann Lee\n");
        else if (kind == "empty")
            write(chosen, "");
        else if (kind == "truncated")
            write(chosen, bytes("clinic_db.mdb").chopped(4096));
        else {
            sqlite3* db = nullptr;
            sqlite3_open(chosen.toUtf8().constData(), &db);
            sqlite3_exec(db, "CREATE TABLE invoices (number INTEGER, total REAL)", nullptr, nullptr,
                         nullptr);
            sqlite3_close(db);
        }
        const QByteArray before = bytes("clinic_db.mdb");
        s.boxes().expectBox(kWarning, IDYES);
        s.boxes().expectFile(kOpenBackup, chosen.toStdString());
        s.boxes().expectBox(stop(chosen.toStdString() +
                                 " is not a Medora database, or it is "
                                 "damaged. The records were left as they were."));
        pressRestore(s);
        QCOMPARE(bytes("clinic_db.mdb"), before);
        QCOMPARE(filesIn(s.folder()), QStringList({"chosen.rbk", "clinic_db.mdb"}));
        VERIFY_BOXES(s);
    }

    void missingDatabaseIsReportedBeforeAnyDialog() {
        GuiSession s;
        QFile::remove("clinic_db.mdb");
        s.boxes().expectBox(stop("clinic_db.mdb was not found."));
        pressBackup(s);
        QVERIFY(filesIn(s.folder()).isEmpty());
        VERIFY_BOXES(s);
    }

    void unwritableFolderGetsNoBackup() {
        GuiSession s;
        const UnwritableFolder folder((s.folder() + "/shut").toStdString());
        if (!folder.holds())
            QSKIP("no folder can be made unwritable for this user on this file system");
        const std::string target = (s.folder() + "/shut/copy.rbk").toStdString();
        s.boxes().expectFile(kSaveBackup, target);
        s.boxes().expectBox(stop("Access to " + target + " was denied."));
        pressBackup(s);
        QVERIFY(filesIn(s.folder() + "/shut").isEmpty());
        VERIFY_BOXES(s);
    }

    void fullDiskLeavesNoPartialFile() {
        GuiSession s;
        const QString good = s.folder() + "/good.rbk";
        QFile::copy("clinic_db.mdb", good);
        addPatient("Current");
        const QByteArray before = bytes("clinic_db.mdb");
        const std::string target = (s.folder() + "/full.rbk").toStdString();
        s.boxes().expectFile(kSaveBackup, target);
        s.boxes().expectBox(stop("Disk full while accessing " + target + "."));
        s.boxes().expectBox(kWarning, IDYES);
        s.boxes().expectFile(kOpenBackup, good.toStdString());
        s.boxes().expectBox(notKept("Disk full while accessing " + keptFile() + "."));
        {
            const NearlyFullDisk disk;
            pressBackup(s);
            pressRestore(s);
        }
        QCOMPARE(bytes("clinic_db.mdb"), before);
        QCOMPARE(filesIn(s.folder()), QStringList({"clinic_db.mdb", "good.rbk"}));
        VERIFY_BOXES(s);
    }

    void recordsInUseByAnotherProgram() {
        GuiSession s;
        const QString good = s.folder() + "/good.rbk";
        QFile::copy("clinic_db.mdb", good);
        addPatient("Current");
        const QByteArray before = bytes("clinic_db.mdb");
        const BoxRecord inUse = stop("A sharing violation occurred while accessing clinic_db.mdb.");
        s.boxes().expectFile(kSaveBackup, (s.folder() + "/copy.rbk").toStdString());
        s.boxes().expectBox(inUse);
        s.boxes().expectBox(kWarning, IDYES);
        s.boxes().expectFile(kOpenBackup, good.toStdString());
        s.boxes().expectBox(notKept(inUse.text));
        {
            const OtherProgram other;
            pressBackup(s);
            pressRestore(s);
        }
        QCOMPARE(bytes("clinic_db.mdb"), before);
        QCOMPARE(patientNames(), std::vector<std::string>{"Current"});
        QCOMPARE(filesIn(s.folder()), QStringList({"clinic_db.mdb", "good.rbk"}));
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(BackupRestoreTest)
#include "BackupRestoreTest.moc"

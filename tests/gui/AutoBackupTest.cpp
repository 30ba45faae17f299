// The automatic backups: made at the day's first start and at closing, proven, thinned out,
// and reported on the main menu, on whichever records are in use; their folder chosen in the
// Backups dialog.

#include "GuiSession.h"

#include "../backup/DamagedClinic.h"
#include "../backup/StoppedProcess.h"
#include "app/AutoBackup.h"
#include "app/BackupSettings.h"
#include "app/BackupsDialog.h"
#include "app/MainMenu.h"
#include "app/Screens.h"
#include "records/FileFailure.h"
#include "records/RecordsLock.h"
#include "res/resource.h"
#include "store/store.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

namespace {

// The time the backups go by, as the test moves it on.
DateTime now;

QString statusOf(GuiSession& s) {
    return s.active<MainMenu>()->control<QLabel>(IDC_MAIN_BACKUP_STATUS)->text();
}

bool shownInRed(GuiSession& s) {
    return s.active<MainMenu>()
        ->control<QLabel>(IDC_MAIN_BACKUP_STATUS)
        ->styleSheet()
        .contains("red");
}

QStringList backupsIn(const QString& folder) {
    return QDir(folder + "/backups").entryList(QDir::Files, QDir::Name);
}

unsigned modeOf(const QString& path) {
    struct stat info {};
    stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

// The name of the day's backup of the records in use.
QString dayFile(const char* day) {
    return QString("medora-%1-%2.rbk")
        .arg(QString::fromStdString(BackupSettings::recordsInUse().substr(0, 12)), day);
}

BoxRecord notThere(const QString& folder) {
    return {"The folder " + folder.toStdString() + " is not there; is the drive connected?",
            "Medora 1.0", MsgIcon::Exclamation};
}

QByteArray bytes(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// Opens Database › Backups… as the user does and runs act on the dialog, which act closes.
bool inBackupsDialog(GuiSession& s, const std::function<void(BackupsDialog&)>& act) {
    QAction* entry = nullptr;
    for (QAction* popup : s.frame().menuBar()->actions())
        if (popup->text() == "&Database")
            for (QAction* item : popup->menu()->actions())
                if (item->text() == "Backups\u2026")
                    entry = item;
    if (!entry)
        return false;
    return GuiSession::withModal<BackupsDialog>([entry] { entry->trigger(); }, act);
}

QLineEdit* folderField(BackupsDialog& dialog) {
    return dialog.control<QLineEdit>(IDC_BACKUPS_FOLDER);
}

void typeFolder(BackupsDialog& dialog, const QString& folder) {
    QLineEdit* edit = folderField(dialog);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, folder);
}

// Chooses the folder in the Backups dialog by typing it.
bool chooseFolder(GuiSession& s, const QString& folder) {
    return inBackupsDialog(s, [&](BackupsDialog& dialog) {
        typeFolder(dialog, folder);
        GuiSession::click(dialog, IDOK);
    });
}

BoxRecord rescueOffer(const FileFailure& damage) {
    return {damage.describe() + "\n\nNo backup was made. Rescue every row that can still be read "
                                "now (Database \u203a Rescue records\u2026)?",
            "Medora 1.0", MsgIcon::Stop, MsgButtons::YesNo};
}

// Some MB of records on the file and some ten thousand rows on the server, so that a backup
// takes many steps.
bool makeRecordsLarge() {
    if (TestRecords::onServer())
        return TestRecords::current().run("INSERT INTO meds_list (name) SELECT 'medicine ' || i "
                                          "FROM generate_series(1, 60000) AS i");
    return TestRecords::current().run(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 24) "
        "INSERT INTO history_entries (patient_ID, entry_details) "
        "SELECT i, hex(randomblob(500000)) FROM n");
}

QStringList everyFileIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class AutoBackupTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        now = DateTime::fromCivil(2026, 12, 8, 8, 0);
        AutoBackup::setClock([] { return now; });
    }
    void cleanup() {
        AutoBackup::setClock({});
        AutoBackup::setCloseSeconds(0);
        AutoBackup::setStepWatch({});
    }

    void theStatusWarnsOfAFailureOrAWeekWithoutACheckedBackup_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<double>("daysLater");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("red");
        const QString last = "Last checked backup: Tuesday 08 December, 2026 08:00";
        QTest::newRow("the same day") << "" << 0.0 << last << false;
        QTest::newRow("a week later") << "" << 7.0 << last << false;
        QTest::newRow("a week and a minute later")
            << "" << 7.0 + 1.0 / 1440
            << last + ". No backup has passed its check for more than 7 days." << true;
        QTest::newRow("failed") << "Disk full while accessing /usb/x.rbk." << 0.0
                                << last + ". The last backup failed: Disk full while accessing "
                                          "/usb/x.rbk."
                                << true;
    }

    void theStatusWarnsOfAFailureOrAWeekWithoutACheckedBackup() {
        QFETCH(QString, failure);
        QFETCH(double, daysLater);
        QFETCH(QString, shown);
        QFETCH(bool, red);
        GuiSession s;
        if (!failure.isEmpty())
            BackupSettings::failed(BackupSettings::recordsInUse(), failure.toStdString());
        now = DateTime(now.days() + daysLater);
        s.active<MainMenu>()->showBackupStatus();
        QCOMPARE(statusOf(s), shown);
        QCOMPARE(shownInRed(s), red);
    }

    void theDaysFirstStartMakesOneAndTheNextStartThatDayNone() {
        GuiSession s;
        QCOMPARE(backupsIn(s.folder()), QStringList{dayFile("2026-12-08")});
        QCOMPARE(statusOf(s), QString("Last checked backup: Tuesday 08 December, 2026 08:00"));
        QVERIFY(!shownInRed(s));

        // Closing backs up again; starting later the same day finds today's backup.
        now = DateTime::fromCivil(2026, 12, 8, 12, 30);
        s.restart([] { now = DateTime::fromCivil(2026, 12, 8, 13, 0); });
        QCOMPARE(statusOf(s), QString("Last checked backup: Tuesday 08 December, 2026 12:30"));

        s.restart([] { now = DateTime::fromCivil(2026, 12, 9, 7, 45); });
        QCOMPARE(backupsIn(s.folder()),
                 (QStringList{dayFile("2026-12-08"), dayFile("2026-12-09")}));
        QCOMPARE(statusOf(s), QString("Last checked backup: Wednesday 09 December, 2026 07:45"));
        VERIFY_BOXES(s);
    }

    // Told when it is chosen, at each close and on the main menu.
    void anUnreachableFolderIsReportedAndTheWorkGoesOn() {
        GuiSession s;
        const QString usb = s.folder() + "/usb-drive-not-plugged-in";
        s.boxes().expectBox(notThere(usb));
        QVERIFY(chooseFolder(s, usb));
        VERIFY_BOXES(s);
        s.boxes().expectBox(notThere(usb));
        s.restart([] { now = DateTime::fromCivil(2026, 12, 9, 8, 0); });
        QVERIFY(shownInRed(s));
        QCOMPARE(statusOf(s),
                 "Last checked backup: Tuesday 08 December, 2026 08:00. The last backup failed: " +
                     usb + "/" + dayFile("2026-12-09") + " was not found.");
        QVERIFY(!QDir(usb).exists());

        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_ADD_PATIENT);
        QCOMPARE(s.activeTitle(), QString("Add new patient record"));

        // Chosen empty again, the folder beside the records takes the backups.
        CMainFrame::ReturnToMainMenu(SCREEN_ADD_NEW);
        GuiSession::settle();
        QVERIFY(chooseFolder(s, ""));
        s.restart([] { now = DateTime::fromCivil(2026, 12, 10, 8, 0); });
        QVERIFY(!shownInRed(s));
        QVERIFY(backupsIn(s.folder()).contains(dayFile("2026-12-10")));
        VERIFY_BOXES(s);
    }

    // What a killed copy leaves holds no writer's lock any more; a start removes it beside the
    // records, among the daily backups and beside the last backup made from the menu, and
    // nothing else: not the user's files that another program named alike.
    void aKilledCopysPartialFilesAreGoneAfterTheNextStart() {
        GuiSession s;
        QDir(s.folder()).mkdir("usb");
        s.boxes().expectFile({FileRequest::Save, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"},
                             (s.folder() + "/usb/monday.rbk").toStdString());
        s.boxes().expectBox(
            {"Backup operation completed successfully", "Confirmation", MsgIcon::Information});
        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_BACKUP);
        const QStringList leftovers = {s.folder() + "/.clinic_db.mdb.medora-partial-Xq3z9A",
                                       s.folder() +
                                           "/backups/.medora-2026-12-08.rbk.medora-partial-b7YtQ2",
                                       s.folder() + "/usb/.monday.rbk.medora-partial-P0o9Iu"};
        QStringList theirs = {s.folder() + "/notes.part-1"};
        for (const QString& folder : {s.folder(), s.folder() + "/backups", s.folder() + "/usb"})
            theirs << folder + "/movie.part-000000" << folder + "/Chapter.part-draft1";
        for (const QString& file : leftovers + theirs) {
            QFile made(file);
            QVERIFY(made.open(QIODevice::WriteOnly));
            made.write(QByteArray("SQLite format 3\0half a copy", 27));
        }
        s.restart();
        for (const QString& file : leftovers)
            QVERIFY2(!QFile::exists(file), qPrintable(file));
        for (const QString& file : theirs)
            QVERIFY2(QFile::exists(file), qPrintable(file));
        QCOMPARE(QDir(s.folder() + "/backups").entryList({"*.rbk"}, QDir::Files | QDir::Hidden),
                 QStringList{dayFile("2026-12-08")});
        VERIFY_BOXES(s);
    }

    // The backups' and the settings' folders are their owner's only from the moment the
    // program makes them, and the data folder the program starts in is closed to others when
    // it is found open; a folder that is not the data folder is left as the user has it.
    void theProgramsFoldersAreItsOwnersOnly() {
        GuiSession s;
        QCOMPARE(modeOf(s.folder() + "/backups"), 0700u);
        QCOMPARE(modeOf(s.folder() + "/Local AppWizard-Generated Applications"), 0700u);
        const QByteArray dataFolder = qgetenv("MEDORA_DATA_DIR");
        QCOMPARE(chmod(QFile::encodeName(s.folder()).constData(), 0755), 0);
        qputenv("MEDORA_DATA_DIR", QFile::encodeName(s.folder() + "/elsewhere"));
        s.restart();
        QCOMPARE(modeOf(s.folder()), 0755u);
        qputenv("MEDORA_DATA_DIR", QFile::encodeName(s.folder()));
        s.restart();
        QCOMPARE(modeOf(s.folder()), 0700u);
        if (dataFolder.isNull())
            qunsetenv("MEDORA_DATA_DIR");
        else
            qputenv("MEDORA_DATA_DIR", dataFolder);
        VERIFY_BOXES(s);
    }

    void browsingPutsTheChosenFolderInTheField_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen"); // empty: the chooser is cancelled
        QTest::newRow("chosen into an empty field") << QString() << "usb";
        QTest::newRow("chosen over a typed folder") << QString("old-drive") << "usb";
        QTest::newRow("cancelled over a typed folder") << "old-drive" << QString();
        QTest::newRow("cancelled over an empty field") << QString() << QString();
    }

    // The chooser opens in the folder typed so far; OK keeps what the field then holds.
    void browsingPutsTheChosenFolderInTheField() {
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        GuiSession s;
        QDir(s.folder()).mkdir("usb");
        QDir(s.folder()).mkdir("old-drive");
        const QString start = typed.isEmpty() ? "" : s.folder() + "/" + typed;
        const QString picked = chosen.isEmpty() ? "" : s.folder() + "/" + chosen;
        std::optional<std::string> answer;
        if (!picked.isEmpty())
            answer = picked.toStdString();
        s.boxes().expectFile({FileRequest::Folder, "", "", start.toStdString()}, answer);
        const QString expected = picked.isEmpty() ? start : picked;
        QString shown;
        QVERIFY(inBackupsDialog(s, [&](BackupsDialog& dialog) {
            typeFolder(dialog, start);
            GuiSession::click(dialog, IDC_BACKUPS_BROWSE);
            shown = folderField(dialog)->text();
            GuiSession::click(dialog, IDOK);
        }));
        VERIFY_BOXES(s);
        QCOMPARE(shown, expected);
        QCOMPARE(BackupSettings::folderIsDefault(), expected.isEmpty());
        if (!expected.isEmpty())
            QCOMPARE(QString::fromStdString(BackupSettings::folder()), expected);
    }

    // Found at the day's first start, the damage is reported and the rescue offered, once:
    // not by the closing backup before it. Declined, nothing changes.
    void damageFoundAtTheDaysFirstStartOffersTheRescue() {
        if (TestRecords::onServer())
            QSKIP("only a records file is damaged this way");
        GuiSession s;
        const QString earlier = s.folder() + "/backups/" + dayFile("2026-12-08");
        const QByteArray kept = bytes(earlier);
        const DamagedClinic clinic("clinic_db.mdb");
        QVERIFY(clinic.made());
        const QByteArray damaged = bytes("clinic_db.mdb");
        const auto words = RecordsLock("clinic_db.mdb").damage();
        QVERIFY(words.has_value());
        const FileFailure damage{FileFailure::Damaged, "clinic_db.mdb", *words};

        s.boxes().expectBox(rescueOffer(damage), IDNO);
        s.restart([] { now = DateTime::fromCivil(2026, 12, 9, 8, 0); });
        VERIFY_BOXES(s);
        QCOMPARE(s.boxes().boxOwners().back(), &s.frame());
        // The reason is kept on one line.
        QCOMPARE(statusOf(s), "Last checked backup: Tuesday 08 December, 2026 08:00. The last "
                              "backup failed: " +
                                  QString::fromStdString(damage.describe()).replace('\n', ' '));
        QVERIFY(shownInRed(s));
        QCOMPARE(bytes("clinic_db.mdb"), damaged);
        QCOMPARE(everyFileIn(s.folder()), QStringList{"clinic_db.mdb"});
        QCOMPARE(everyFileIn(s.folder() + "/backups"), QStringList{dayFile("2026-12-08")});
        QCOMPARE(bytes(earlier), kept);
    }

    // A desk that uses other records for a while (another records file, or the server while it
    // cannot be reached) shows their backups' status, never those of the records it used
    // before, and back on those finds their own status and backups as they were.
    void theStatusSpeaksOfTheRecordsInUse() {
        GuiSession s;
        const QString first = dayFile("2026-12-08");
        const QString morning = "Last checked backup: Tuesday 08 December, 2026 08:00";
        QCOMPARE(statusOf(s), morning);
        s.restart([] {
            now = DateTime::fromCivil(2026, 12, 8, 13, 0);
            if (TestRecords::onServer()) {
                TestRecords::current().takeAway();
            } else {
                QFile::rename("clinic_db.mdb", "morning.mdb");
                QFile::copy(MEDORA_EMPTY_DB, "clinic_db.mdb");
                QFile::setPermissions("clinic_db.mdb", QFile::ReadOwner | QFile::WriteOwner);
            }
        });
        QVERIFY(!statusOf(s).contains("08:00"));
        if (TestRecords::onServer()) {
            QVERIFY(shownInRed(s));
            QVERIFY2(statusOf(s).contains("The last backup failed: The records server failed"),
                     qPrintable(statusOf(s)));
        } else {
            QCOMPARE(statusOf(s), QString("Last checked backup: Tuesday 08 December, 2026 13:00"));
            QCOMPARE(backupsIn(s.folder()).size(), 2);
            QVERIFY(backupsIn(s.folder()).contains(first));
        }
        s.restart([] {
            now = DateTime::fromCivil(2026, 12, 8, 17, 0);
            if (TestRecords::onServer()) {
                TestRecords::current().bringBack();
            } else {
                QFile::remove("clinic_db.mdb");
                QFile::rename("morning.mdb", "clinic_db.mdb");
            }
        });
        QCOMPARE(statusOf(s), morning);
        QVERIFY(!shownInRed(s));
        QVERIFY(backupsIn(s.folder()).contains(first));
        VERIFY_BOXES(s);
    }

    // However long its reason, the red line shows whole, wrapped within the window.
    void theRedLineShowsWholeWithinTheWindow() {
        GuiSession s;
        std::string folder = "/media/clinic";
        for (const char* part : {"drive", "of", "the", "practice", "next", "door"})
            folder += std::string("/") + part + "-with-a-long-name";
        const std::string reason =
            "Access to " + folder + "/" + dayFile("2026-12-08").toStdString() + " was denied.";
        BackupSettings::failed(BackupSettings::recordsInUse(), reason);
        for (const QSize size : {QSize(640, 480), QSize(420, 480), QSize(1000, 700)}) {
            s.frame().resize(size);
            GuiSession::settle();
            auto* menu = s.active<MainMenu>();
            menu->showBackupStatus();
            const auto* status = menu->control<QLabel>(IDC_MAIN_BACKUP_STATUS);
            QVERIFY(statusOf(s).endsWith(QString::fromStdString(reason)));
            QVERIFY(shownInRed(s));
            QVERIFY(status->wordWrap());
            QVERIFY2(status->height() >= status->heightForWidth(status->width()),
                     qPrintable(QString("%1 < %2")
                                    .arg(status->height())
                                    .arg(status->heightForWidth(status->width()))));
            QVERIFY(status->geometry().right() < menu->viewport()->width());
            QVERIFY(status->geometry().bottom() < status->parentWidget()->height());
        }
        VERIFY_BOXES(s);
    }

    // Closing waits for its backup only so long, then stops it: the earlier backup of the day
    // stays as it was, nothing of the stopped one is left, and the main menu tells why.
    void closingStopsItsBackupAtTheBound() {
        using namespace std::chrono_literals;
        GuiSession s;
        const QString earlier = s.folder() + "/backups/" + dayFile("2026-12-08");
        const QByteArray kept = bytes(earlier);
        QVERIFY(makeRecordsLarge());
        // Unbounded, the backup would take more than ten steps of 400 ms each.
        AutoBackup::setCloseSeconds(2);
        std::atomic<int> steps = 0;
        AutoBackup::setStepWatch([&steps](double) {
            ++steps;
            std::this_thread::sleep_for(400ms);
        });
        QStringList leftBehind;
        QElapsedTimer closing;
        closing.start();
        qint64 closed = 0;
        s.restart([&] {
            closed = closing.elapsed();
            AutoBackup::setStepWatch({});
            leftBehind = everyFileIn(s.folder() + "/backups");
        });
        QVERIFY2(closed >= 2000 && closed < 5000, qPrintable(QString::number(closed)));
        QVERIFY(steps >= 3);
        QCOMPARE(leftBehind, QStringList{dayFile("2026-12-08")});
        QCOMPARE(bytes(earlier), kept);
        QCOMPARE(statusOf(s),
                 QString("Last checked backup: Tuesday 08 December, 2026 08:00. The last backup "
                         "failed: a backup still running 2 seconds after Medora was closed was "
                         "stopped; the earlier backups were kept."));
        QVERIFY(shownInRed(s));
        VERIFY_BOXES(s);
    }

    // The bound holds on the server too while the server does not answer the backup at all,
    // as over a dead link.
    void closingStopsAServerBackupThatGetsNoAnswer() {
        using namespace std::chrono_literals;
        if (!TestRecords::onServer())
            QSKIP("the file's backup never waits on a server");
        GuiSession s;
        AutoBackup::setCloseSeconds(2);
        std::optional<StoppedProcess> stalled;
        AutoBackup::setStepWatch([&stalled](double) {
            if (stalled)
                return;
            const std::string server = TestRecords::current().serverValue(
                "SELECT pid FROM pg_locks WHERE relation = 'patient_info'::regclass AND"
                " mode = 'AccessShareLock' AND granted AND pid <> pg_backend_pid()");
            if (!server.empty())
                stalled.emplace(std::stoi(server), 8s);
        });
        QElapsedTimer closing;
        closing.start();
        qint64 closed = 0;
        bool wasStalled = false;
        s.restart([&] {
            closed = closing.elapsed();
            AutoBackup::setStepWatch({});
            wasStalled = stalled.has_value();
            stalled.reset();
        });
        QVERIFY(wasStalled);
        QVERIFY2(closed >= 2000 && closed < 3500, qPrintable(QString::number(closed)));
        QVERIFY(statusOf(s).endsWith("a backup still running 2 seconds after Medora was closed "
                                     "was stopped; the earlier backups were kept."));
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(AutoBackupTest)
#include "AutoBackupTest.moc"

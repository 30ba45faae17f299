// The automatic backups: made at the day's first start and at closing, proven, thinned out,
// and reported on the main menu, on whichever records are in use.

#include "GuiSession.h"

#include "app/AutoBackup.h"
#include "app/BackupSettings.h"
#include "app/BackupsDialog.h"
#include "app/MainMenu.h"
#include "app/Screens.h"
#include "res/resource.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>

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

// Chooses the folder in the Backups dialog of the Database menu, as the user does.
bool chooseFolder(GuiSession& s, const QString& folder) {
    QAction* entry = nullptr;
    for (QAction* popup : s.frame().menuBar()->actions())
        if (popup->text() == "&Database")
            for (QAction* item : popup->menu()->actions())
                if (item->text() == "Backups\u2026")
                    entry = item;
    if (!entry)
        return false;
    return GuiSession::withModal<BackupsDialog>([entry] { entry->trigger(); },
                                                [&](BackupsDialog& dialog) {
                                                    auto* edit = dialog.control<QLineEdit>(
                                                        IDC_BACKUPS_FOLDER);
                                                    edit->selectAll();
                                                    QTest::keyClick(edit, Qt::Key_Delete);
                                                    QTest::keyClicks(edit, folder);
                                                    GuiSession::click(dialog, IDOK);
                                                });
}

} // namespace

class AutoBackupTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        now = DateTime::fromCivil(2026, 12, 8, 8, 0);
        AutoBackup::setClock([] { return now; });
    }
    void cleanup() { AutoBackup::setClock({}); }

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
            BackupSettings::failed(failure.toStdString());
        now = DateTime(now.days() + daysLater);
        s.active<MainMenu>()->showBackupStatus();
        QCOMPARE(statusOf(s), shown);
        QCOMPARE(shownInRed(s), red);
    }

    void theDaysFirstStartMakesOneAndTheNextStartThatDayNone() {
        GuiSession s;
        QCOMPARE(backupsIn(s.folder()), QStringList{"medora-2026-12-08.rbk"});
        QCOMPARE(statusOf(s), QString("Last checked backup: Tuesday 08 December, 2026 08:00"));
        QVERIFY(!shownInRed(s));

        // Closing backs up again; starting later the same day finds today's backup.
        now = DateTime::fromCivil(2026, 12, 8, 12, 30);
        s.restart([] { now = DateTime::fromCivil(2026, 12, 8, 13, 0); });
        QCOMPARE(statusOf(s), QString("Last checked backup: Tuesday 08 December, 2026 12:30"));

        s.restart([] { now = DateTime::fromCivil(2026, 12, 9, 7, 45); });
        QCOMPARE(backupsIn(s.folder()),
                 (QStringList{"medora-2026-12-08.rbk", "medora-2026-12-09.rbk"}));
        QCOMPARE(statusOf(s), QString("Last checked backup: Wednesday 09 December, 2026 07:45"));
        VERIFY_BOXES(s);
    }

    void anUnreachableFolderIsReportedAndTheWorkGoesOn() {
        GuiSession s;
        const QString usb = s.folder() + "/usb-drive-not-plugged-in";
        QVERIFY(chooseFolder(s, usb));
        s.restart([] { now = DateTime::fromCivil(2026, 12, 9, 8, 0); });
        QVERIFY(shownInRed(s));
        QCOMPARE(statusOf(s),
                 "Last checked backup: Tuesday 08 December, 2026 08:00. The last backup failed: " +
                     usb + "/medora-2026-12-09.rbk was not found.");
        QVERIFY(!QDir(usb).exists());

        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_ADD_PATIENT);
        QCOMPARE(s.activeTitle(), QString("Add new patient record"));

        // Chosen empty again, the folder beside the records takes the backups.
        CMainFrame::ReturnToMainMenu(SCREEN_ADD_NEW);
        GuiSession::settle();
        QVERIFY(chooseFolder(s, ""));
        s.restart([] { now = DateTime::fromCivil(2026, 12, 10, 8, 0); });
        QVERIFY(!shownInRed(s));
        QVERIFY(backupsIn(s.folder()).contains("medora-2026-12-10.rbk"));
        VERIFY_BOXES(s);
    }

    // What a killed copy leaves holds no writer's lock any more; a start removes it beside the
    // records, among the daily backups and beside the last backup made from the menu, and
    // nothing else.
    void aKilledCopysPartialFilesAreGoneAfterTheNextStart() {
        GuiSession s;
        QDir(s.folder()).mkdir("usb");
        s.boxes().expectFile({FileRequest::Save, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"},
                             (s.folder() + "/usb/monday.rbk").toStdString());
        s.boxes().expectBox(
            {"Backup operation completed successfully", "Confirmation", MsgIcon::Information});
        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_BACKUP);
        const QStringList leftovers = {s.folder() + "/clinic_db.mdb.part-Xq3z9A",
                                       s.folder() + "/backups/medora-2026-12-08.rbk.part-b7YtQ2",
                                       s.folder() + "/usb/monday.rbk.part-P0o9Iu"};
        const QString notes = s.folder() + "/notes.part-1";
        for (const QString& file : leftovers + QStringList{notes}) {
            QFile made(file);
            QVERIFY(made.open(QIODevice::WriteOnly));
            made.write("half a copy");
        }
        s.restart();
        for (const QString& file : leftovers)
            QVERIFY2(!QFile::exists(file), qPrintable(file));
        QVERIFY(QFile::exists(notes));
        QCOMPARE(backupsIn(s.folder()), QStringList{"medora-2026-12-08.rbk"});
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(AutoBackupTest)
#include "AutoBackupTest.moc"

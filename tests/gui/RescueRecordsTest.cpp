// The rescue of a damaged records file from the main menu: a backup finds the damage and
// offers the rescue, which shows what it saved and puts it in use once the user agrees.

#include "GuiSession.h"

#include "../backup/DamagedClinic.h"
#include "app/MainMenu.h"
#include "records/MedoraTables.h"
#include "records/RecordsFileCheck.h"
#include "records/RecordsLock.h"
#include "res/resource.h"
#include "store/store.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

namespace {

const FileRequest kSaveBackup{FileRequest::Save, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"};
const BoxRecord kBackedUp{"Backup operation completed successfully", "Confirmation",
                          MsgIcon::Information};
const BoxRecord kRescued{"The rescued records are in use; the damaged file was kept beside them "
                         "under a dated name.",
                         "Confirmation", MsgIcon::Information};

BoxRecord damageBox(const std::string& words) {
    return {"The records file is damaged.\n" + words +
                "\n\nNo backup was made. Rescue every row that can still be read now "
                "(Database \u203a Rescue records\u2026)?",
            "Medora 1.0", MsgIcon::Stop, MsgButtons::YesNo};
}

// Every table the rescue copies, with the rows that were readable of those stored.
BoxRecord summaryBox(const DamagedClinic& clinic) {
    std::string text = "Rows rescued from the damaged records file:\n";
    for (const MedoraTable& table : MedoraTables::all())
        if (!table.derived)
            text += "\n" + table.name + ": " +
                    std::to_string(clinic.readable().at(table.name).size()) + " of " +
                    std::to_string(clinic.stored().at(table.name).size());
    return {text + "\n\nUse the rescued records? The damaged file is kept beside them under a "
                   "dated name.",
            "Rescue records", MsgIcon::Question, MsgButtons::YesNo};
}

QByteArray bytes(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// As the user does from the menu bar.
void chooseMenu(GuiSession& s, const QString& popup, const QString& item) {
    for (QAction* title : s.frame().menuBar()->actions())
        if (title->text() == popup)
            for (QAction* entry : title->menu()->actions())
                if (entry->text() == item) {
                    QVERIFY(entry->isEnabled());
                    entry->trigger();
                    GuiSession::settle();
                    return;
                }
    QFAIL(qPrintable(popup + " › " + item + " is not in the menu"));
}

} // namespace

class RescueRecordsTest : public QObject {
    Q_OBJECT

private slots:
    void aBackupFindsTheDamageAndTheRescueSavesTheReadableRows() {
        GuiSession s;
        const DamagedClinic clinic("clinic_db.mdb");
        QVERIFY(clinic.made());
        const QByteArray damaged = bytes("clinic_db.mdb");
        const auto words = RecordsLock("clinic_db.mdb").damage();
        QVERIFY(words.has_value());

        // Declined: the records stay as they were, and nothing is left beside them.
        s.boxes().expectBox(summaryBox(clinic), IDNO);
        chooseMenu(s, "&Database", "Rescue records\u2026");
        QCOMPARE(bytes("clinic_db.mdb"), damaged);
        QCOMPARE(filesIn(s.folder()), QStringList({"clinic_db.mdb"}));

        s.boxes().expectFile(kSaveBackup, (s.folder() + "/monday.rbk").toStdString());
        s.boxes().expectBox(damageBox(*words), IDYES);
        s.boxes().expectBox(summaryBox(clinic), IDYES);
        s.boxes().expectBox(kRescued);
        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_BACKUP);
        VERIFY_BOXES(s);

        const QStringList files = filesIn(s.folder());
        QCOMPARE(files.size(), 2);
        QCOMPARE(files[0], "clinic_db.damaged-" + files[0].mid(18, 17) + ".mdb");
        QVERIFY(QRegularExpression(R"(^\d{4}-\d\d-\d\d-\d{6}$)")
                    .match(files[0].mid(18, 17))
                    .hasMatch());
        QCOMPARE(bytes(files[0]), damaged);
        QVERIFY(RecordsFileCheck::isRecords("clinic_db.mdb"));
        QVERIFY(DamagedClinic::rowsOf("clinic_db.mdb") == clinic.readable());

        // The program goes on with the rescued records.
        PatientNameList patients;
        QVERIFY(patients.FetchAll());
        QCOMPARE(patients.m_ids.size(), clinic.readable().at("patient_info").size());
        s.boxes().expectFile(kSaveBackup, (s.folder() + "/tuesday.rbk").toStdString());
        s.boxes().expectBox(kBackedUp);
        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_BACKUP);
        VERIFY_BOXES(s);
        QCOMPARE(bytes(s.folder() + "/tuesday.rbk"), bytes("clinic_db.mdb"));
    }
};

QTEST_MAIN(RescueRecordsTest)
#include "RescueRecordsTest.moc"

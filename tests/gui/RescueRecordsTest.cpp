// The rescue of a damaged records file from the main menu: a backup finds the damage and
// offers the rescue, which shows what it saved and puts it in use once the user agrees.

#include "GuiSession.h"

#include "../backup/DamagedClinic.h"
#include "app/MainMenu.h"
#include "records/MedoraTables.h"
#include "records/RecordsFileCheck.h"
#include "records/RecordsLock.h"
#include "records/RecordsRescue.h"
#include "res/resource.h"
#include "store/store.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

#include <algorithm>
#include <map>

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

const std::map<std::string, std::string> kWords{
    {"patient_info", "The patients' details"},
    {"complaints", "The visits"},
    {"history_entries", "The history entries"},
    {"patient_medications", "The patients' medications"},
    {"meds_list", "The list of medications"},
    {"tests", "The test results"},
    {"tests_list", "The list of tests"},
    {"clinic_info", "The clinic's details"},
    {"records_identity", "The records' identity"},
    {"users", "The users who sign in"},
    {"clinic_settings", "The clinic's settings"},
    {"audit_trail", "The audit trail"},
};

// The patients a rescue of a copy of the records names, the first fifteen of them.
std::string unreadableOf(const std::string& records) {
    QDir().mkdir("copy");
    QFile::copy(QString::fromStdString(records), "copy/clinic_db.mdb");
    RecordsRescue rescue("copy/clinic_db.mdb");
    if (rescue.build() || rescue.unreadable().empty())
        return {};
    std::string text = "\n\nPatients whose records could not all be read:";
    for (size_t i = 0; i < std::min<size_t>(15, rescue.unreadable().size()); ++i) {
        const UnreadablePatient& patient = rescue.unreadable()[i];
        std::string lost;
        for (const std::string& table : patient.tables)
            lost += (lost.empty() ? "" : " and ") +
                    (table == "patient_info" ? std::string("their details")
                                             : "part of " + QString::fromStdString(kWords.at(table))
                                                                .toLower()
                                                                .toStdString());
        text += "\nNo. " + std::to_string(patient.id) + ", " + patient.name + ": " + lost;
    }
    if (rescue.unreadable().size() > 15)
        text += "\n\u2026 and " + std::to_string(rescue.unreadable().size() - 15) + " more";
    QDir("copy").removeRecursively();
    return text;
}

// Every table the rescue copies, in words, with the rows that were readable of those stored,
// and the patients it could not read.
BoxRecord summaryBox(const DamagedClinic& clinic, const std::string& unreadable) {
    std::string text = "What was rescued from the damaged records file:\n";
    for (const MedoraTable& table : MedoraTables::all())
        if (!table.derived)
            text += "\n" + kWords.at(table.name) + ": " +
                    std::to_string(clinic.readable().at(table.name).size()) + " of " +
                    std::to_string(clinic.stored().at(table.name).size());
    return {text + unreadable +
                "\n\nUse the rescued records? The damaged file is kept beside them under a "
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
        const std::string unreadable = unreadableOf("clinic_db.mdb");
        QVERIFY(!unreadable.empty());

        // Declined: the records stay as they were, and nothing is left beside them.
        s.boxes().expectBox(summaryBox(clinic, unreadable), IDNO);
        chooseMenu(s, "&Database", "Rescue records\u2026");
        QCOMPARE(bytes("clinic_db.mdb"), damaged);
        QCOMPARE(filesIn(s.folder()), QStringList({"clinic_db.mdb"}));

        s.boxes().expectFile(kSaveBackup, (s.folder() + "/monday.rbk").toStdString());
        s.boxes().expectBox(damageBox(*words), IDYES);
        s.boxes().expectBox(summaryBox(clinic, unreadable), IDYES);
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
        // The rescue itself is entered last in the rescued trail.
        DamagedClinic::Rows rescued = DamagedClinic::rowsOf("clinic_db.mdb");
        auto& trail = rescued["audit_trail"];
        QVERIFY(!trail.empty() && trail.rbegin()->second.find("|rescue|") != std::string::npos);
        trail.erase(std::prev(trail.end()));
        QVERIFY(rescued == clinic.readable());

        // The program goes on with the rescued records.
        PatientNameList patients;
        QVERIFY(patients.FetchAll());
        QCOMPARE(patients.m_ids.size(), clinic.readable().at("patient_info").size());
        const QByteArray backedUp = bytes("clinic_db.mdb");
        s.boxes().expectFile(kSaveBackup, (s.folder() + "/tuesday.rbk").toStdString());
        s.boxes().expectBox(kBackedUp);
        GuiSession::click(*s.active<MainMenu>(), IDC_MAIN_BACKUP);
        VERIFY_BOXES(s);
        QCOMPARE(bytes(s.folder() + "/tuesday.rbk"), backedUp);
    }

    // Records the engine finds whole have nothing to rescue, and are left as they were.
    void aHealthyFileHasNothingToRescue() {
        GuiSession s;
        QVERIFY(PatientRecord().Add("Ann", "Lee", DateTime(30000), 1, "", ""));
        const QByteArray before = bytes("clinic_db.mdb");
        s.boxes().expectBox({"The records file is not damaged: every record can be read, so "
                             "there is nothing to rescue.",
                             "Rescue records", MsgIcon::Information});
        chooseMenu(s, "&Database", "Rescue records\u2026");
        VERIFY_BOXES(s);
        QCOMPARE(bytes("clinic_db.mdb"), before);
        QCOMPARE(filesIn(s.folder()), QStringList({"clinic_db.mdb"}));
    }
};

QTEST_MAIN(RescueRecordsTest)
#include "RescueRecordsTest.moc"

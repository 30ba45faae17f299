// Database › Audit trail…: the entries of the records' trail, chosen by period, patient, user
// and action, sorted by a column's title, their details, and the CSV export.

#include "GuiSession.h"
#include "RecordSupport.h"

#include "app/AuditTrailDialog.h"
#include "platform/ListView.h"
#include "records/AuditTrail.h"
#include "screens/AccessNote.h"
#include "res/resource.h"
#include "store/PatientRecord.h"

#include <QFile>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QDate>
#include <QLineEdit>

#include <sys/stat.h>

namespace {

// The texts of one column of the list, top to bottom.
QStringList column(AuditTrailDialog& dialog, int index) {
    auto* list = dialog.control<ListView>(IDC_AUDIT_LIST);
    QStringList cells;
    for (int row = 0; row < list->rowCountNow(); ++row)
        cells << list->cellText(row, index);
    return cells;
}

void retype(AuditTrailDialog& dialog, int id, const QString& text) {
    dialog.control<QLineEdit>(id)->clear();
    GuiSession::type(dialog, id, text);
}

// Opens the window from the Database menu and runs act on it, then closes it.
bool inAuditTrail(GuiSession& s, const std::function<void(AuditTrailDialog&)>& act) {
    return GuiSession::withModal<AuditTrailDialog>(
        [&] { s.menuEntry("&Database", "Audit trail\u2026")->trigger(); },
        [&](AuditTrailDialog& dialog) {
            act(dialog);
            GuiSession::click(dialog, IDCANCEL);
        });
}

// The view through which access enters the trail is away while this lives.
class TrailAway {
public:
    TrailAway() { rename("medora_access", "medora_access_away"); }
    ~TrailAway() { rename("medora_access_away", "medora_access"); }

private:
    // On the file the view is the store's own, made with the trail it writes to.
    static void rename(const std::string& from, const std::string& to) {
        if (TestRecords::onServer())
            records::runSql("ALTER VIEW " + from + " RENAME TO " + to);
        else
            records::runSql(from == "medora_access" ? "ALTER TABLE audit_trail RENAME TO trail_away"
                                                    : "ALTER TABLE trail_away RENAME TO audit_trail");
    }
};

// The action, table, record and patient of the trail's last entry, as an administrator reads it.
QStringList lastAccess(GuiSession&) {
    if (TestRecords::onServer())
        return QString::fromStdString(
                   TestRecords::current().serverValue(
                       "SELECT concat_ws('|', action, table_name, record_id, patient_id) FROM"
                       " audit_trail ORDER BY entry_id DESC LIMIT 1"))
            .split('|');
    const std::vector<AuditEntry> trail = AuditTrail::ofFile("clinic_db.mdb");
    if (trail.empty())
        return {};
    const AuditEntry& last = trail.back();
    return {QString::fromStdString(last.action), QString::fromStdString(last.table),
            QString::fromStdString(last.record), QString::fromStdString(last.patient)};
}

} // namespace

class AuditTrailTest : public QObject {
    Q_OBJECT

private slots:
    // One patient's entries, as the period, patient, user and action choose them; the
    // export writes those shown, readable by its owner only.
    void theEntriesAreChosenSortedAndExported() {
        GuiSession s;
        PatientRecord first, second;
        QVERIFY(first.Add("Ann", "Lee", DateTime::fromCivil(1980, 5, 17), 1, "", ""));
        QVERIFY(second.Add("Bob", "Moss", DateTime::fromCivil(1975, 1, 2), 0, "", ""));
        QVERIFY(first.Update(first.m_id, "Anna", "Lee", DateTime::fromCivil(1980, 5, 17), 1, "",
                             ""));
        const QString one = QString::fromStdString(first.m_id);
        const QString csv = s.folder() + "/trail.csv";
        s.boxes().expectBox({"The entries cannot be chosen so: --from and --to take a day as "
                             "YYYY-MM-DD.",
                             "Error", MsgIcon::Stop});
        s.boxes().expectFile({FileRequest::Save, "csv", "CSV files (*.csv)", "*.csv"},
                             csv.toStdString());
        s.boxes().expectBox({"1 entry was written to " + csv.toStdString() + ".",
                             "Audit trail", MsgIcon::Information});
        QVERIFY(inAuditTrail(s, [&](AuditTrailDialog& dialog) {
            QVERIFY(column(dialog, 6).contains(QString::fromStdString(second.m_id)));
            retype(dialog, IDC_AUDIT_PATIENT, one);
            GuiSession::click(dialog, IDC_AUDIT_SHOW);
            QCOMPARE(column(dialog, 6), QStringList({one, one}));
            QCOMPARE(column(dialog, 3), QStringList({"insert", "update"}));

            // A second click on a title turns the order round.
            auto* header = dialog.control<ListView>(IDC_AUDIT_LIST)->horizontalHeader();
            emit header->sectionClicked(3);
            QCOMPARE(column(dialog, 3), QStringList({"insert", "update"}));
            emit header->sectionClicked(3);
            QCOMPARE(column(dialog, 3), QStringList({"update", "insert"}));
            QVERIFY(dialog.control<QPlainTextEdit>(IDC_AUDIT_DETAILS)
                        ->toPlainText()
                        .contains("\"Ann\""));

            retype(dialog, IDC_AUDIT_FROM, "10 Dec");
            GuiSession::click(dialog, IDC_AUDIT_SHOW);
            QCOMPARE(column(dialog, 3).size(), 2);
            retype(dialog, IDC_AUDIT_FROM, QDate::currentDate().toString("yyyy-MM-dd"));
            retype(dialog, IDC_AUDIT_ACTION, "insert");
            GuiSession::click(dialog, IDC_AUDIT_SHOW);
            QCOMPARE(column(dialog, 3), QStringList({"insert"}));
            GuiSession::click(dialog, IDC_AUDIT_EXPORT);
        }));
        VERIFY_BOXES(s);
        QFile written(csv);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(written.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.first(), QString("time,user,desk,action,table,record,patient,details"));
        QVERIFY(lines.last().contains(",insert,patient_info," + one + "," + one + ","));
        struct stat info {};
        QCOMPARE(stat(QFile::encodeName(csv).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
    }

    // Opening a record and one of its visits each enter who looked at it; when the trail
    // cannot take the entry, the user is told, and the record is open all the same.
    void openingARecordIsEnteredOrTold() {
        GuiSession s;
        const std::string patient = records::addPatient();
        QVERIFY(records::openRecord(s, patient));
        QCOMPARE(lastAccess(s), QStringList({"open", "patient_info", QString::fromStdString(patient),
                                             QString::fromStdString(patient)}));
        {
            const TrailAway away;
            s.boxes().expectBox({AccessNote::notEntered(""), "Warning", MsgIcon::Exclamation});
            QVERIFY(records::openRecord(s, patient));
            QTRY_VERIFY(s.unexpectedBoxes().empty());
        }
        QCOMPARE(lastAccess(s).first(), QString("open"));
    }
};

QTEST_MAIN(AuditTrailTest)
#include "AuditTrailTest.moc"

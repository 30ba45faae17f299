// Starting in a folder that holds no records database.

#include "GuiSession.h"

#include "app/MainMenu.h"
#include "store/RecordsIdentity.h"
#include "store/store.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace {

BoxRecord offer(const QString& folder) {
    return {"There is no records database (clinic_db.mdb) in " + folder.toStdString() +
                ".\nCreate an empty one now?\n\nChoose No to go on without records; every task "
                "will then report that it cannot reach them.",
            "Confirmation", MsgIcon::Question, MsgButtons::YesNo};
}

QByteArray digest(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class FirstStartTest : public QObject {
    Q_OBJECT

private slots:
    void yesCreatesTheEmptyDatabase() {
        GuiSession s([](ScriptedResponder& boxes, const QString& folder) {
            boxes.expectBox(offer(folder), IDYES);
        });
        QVERIFY(s.active<MainMenu>());
        VERIFY_BOXES(s);
        // The supplied empty database, which got an identity of its own on its first use.
        const QString created = s.folder() + "/clinic_db.mdb";
        RecordsIdentity identity;
        QVERIFY(identity.Fetch());
        PatientNameList patients;
        QVERIFY(patients.FetchAll() && patients.m_ids.empty());
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(created).permissions() & others, QFile::Permissions());
    }

    void noGoesOnWithoutRecords() {
        GuiSession s([](ScriptedResponder& boxes, const QString& folder) {
            boxes.expectBox(offer(folder), IDNO);
        });
        QVERIFY(s.active<MainMenu>());
        VERIFY_BOXES(s);
        QVERIFY(!QFileInfo::exists(s.folder() + "/clinic_db.mdb"));
    }

    // Once it has its identity, starting again writes nothing to it.
    void anExistingDatabaseIsNeverTouched() {
        GuiSession s;
        QVERIFY(s.boxes().boxes().empty());
        const QString records = s.folder() + "/clinic_db.mdb";
        const QByteArray started = digest(records);
        s.restart();
        QVERIFY(s.boxes().boxes().empty());
        QCOMPARE(digest(records), started);
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(FirstStartTest)
#include "FirstStartTest.moc"

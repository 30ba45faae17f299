// A disk without room, as the user meets it: a patient cannot be added, a record cannot be
// exported, a printout cannot be written to a PDF file. Each says that the disk is full,
// leaves nothing half written and keeps what was there; with room again each works.

#include "../FullDisk.h"
#include "PrescriptionSupport.h"
#include "RecordSupport.h"

#include "screens/AddNew.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QTemporaryDir>
#include <sys/stat.h>

using namespace records;

namespace {

const char* kEarlier = "any earlier file of that name";

QString canonical(GuiSession& s) {
    return QDir(s.folder()).canonicalPath();
}

QByteArray bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList everythingIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

unsigned modeOf(const QString& path) {
    struct stat info {};
    stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

void write(const QString& path, const QByteArray& data) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(data);
}

// Writes the PDF the way the row names, as the user does it; what it says when it is done.
void makePdf(GuiSession& s, const QString& way, const QString& file,
             std::optional<BoxRecord> done) {
    if (way == "prescription") {
        IssuPrescription* view = s.active<IssuPrescription>();
        if (!view) {
            view = rx::openPrescription(s);
            rx::fillPrescription(*view, "Omar Khalil", "34", "Sinusitis", {"AMOXICILLIN 500MG"});
        }
        s.boxes().expectBox({"Clinic information are not set, print prescription without a "
                             "header, and then fill doctor's name field manually? ",
                             "Warning", MsgIcon::Question, MsgButtons::YesNo},
                            IDYES);
        s.boxes().expectPrint(rx::toPdf(file));
        if (done)
            s.boxes().expectBox(*done);
        GuiSession::click(*view, IDC_RX_PRINT);
        return;
    }
    ViewRec* record = openRecord(s, addPatient());
    if (way == "export")
        s.boxes().expectFile(
            {FileRequest::Save, "pdf", "PDF Files (*.pdf);;FHIR record (*.json)",
             QDir::home().filePath("Aziz_Nadia_record.pdf").toStdString()},
            file.toStdString());
    else
        s.boxes().expectPrint(rx::toPdf(file));
    if (done)
        s.boxes().expectBox(*done);
    if (way == "export")
        s.frame().routeCommand(ID_FILE_EXPORT_RECORD);
    else
        QTest::keyClick(record, Qt::Key_P, Qt::ControlModifier);
    GuiSession::settle();
}

} // namespace

class FullDiskTest : public QObject {
    Q_OBJECT

    // A home of its own, where an export starts until one has gone through.
    QTemporaryDir home;

private slots:
    void initTestCase() { qputenv("HOME", QFile::encodeName(home.path())); }

    void addingAPatientOnAFullDiskSaysSo_data() {
        QTest::addColumn<long long>("room"); // an add writes some 40 KB, half of it its journal
        QTest::newRow("no room at all") << 0LL;
        QTest::newRow("room for part of the journal") << 8LL * 1024;
        QTest::newRow("room for the journal only") << 24LL * 1024;
        QTest::newRow("room for all but the last page") << 38LL * 1024;
    }

    // Whenever the disk fills during an add, the failure is told in the user's words and
    // nothing is added; with room again the same patient is added once.
    void addingAPatientOnAFullDiskSaysSo() {
        QFETCH(long long, room);
        GuiSession s;
        GuiSession::click(*s.activeView(), IDC_MAIN_ADD_PATIENT);
        AddNew* add = s.active<AddNew>();
        GuiSession::type(*add, IDC_ADDNEW_FIRST_NAME, "Amira");
        GuiSession::type(*add, IDC_ADDNEW_LAST_NAME, "Haddad");
        auto* birth = add->control<QDateTimeEdit>(IDC_ADDNEW_DOB);
        birth->setFocus();
        birth->setSelectedSection(QDateTimeEdit::DaySection);
        QTest::keyClicks(birth, "14031990");
        {
            const FullDisk full(canonical(s).toStdString(), room);
            s.boxes().expectBox({"The disk is full, so nothing was saved. Make room on the disk "
                                 "that holds the records, then try again.",
                                 "Error", MsgIcon::Stop});
            GuiSession::click(*add, IDC_ADDNEW_ADD);
            VERIFY_BOXES(s);
        }
        PatientNameList stored;
        QVERIFY(stored.FetchAll());
        QVERIFY(stored.m_ids.empty());
        s.boxes().expectBox({"Record added successfuly, would you like to view and edit the "
                             "record details?",
                             "Confirmation", MsgIcon::Question, MsgButtons::YesNo},
                            IDNO);
        GuiSession::click(*add, IDC_ADDNEW_ADD);
        QVERIFY(stored.FetchAll());
        QCOMPARE(stored.m_firstNames, std::vector<std::string>{"Amira"});
        VERIFY_BOXES(s);
    }

    void aPdfThatDoesNotFitIsNeverLeftHalfWritten_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("done"); // what the user reads when it is written
        QTest::newRow("Export record") << "export"
                                       << "The record was exported to %1.";
        QTest::newRow("record printed to a file") << "print"
                                                  << "";
        QTest::newRow("prescription printed to a file") << "prescription"
                                                        << "";
    }

    // With 12 KB free the document does not fit: the disk is said to be full, the earlier
    // file of that name is kept whole and nothing else is left in the folder. With room the
    // document is written readable by its owner only.
    void aPdfThatDoesNotFitIsNeverLeftHalfWritten() {
        QFETCH(QString, way);
        QFETCH(QString, done);
        GuiSession s;
        const QString folder = canonical(s) + "/papers";
        QVERIFY(QDir().mkdir(folder));
        const QString file = folder + "/chosen.pdf";
        write(file, "the earlier export, which the user keeps");
        const QString what = way == "export"  ? "record was not exported to "
                             : way == "print" ? "record was not printed to "
                                              : "prescription was not printed to ";
        {
            const FullDisk full(folder.toStdString(), 12 * 1024);
            makePdf(s, way, file,
                    BoxRecord{("The disk is full. The " + what + file + "; " + kEarlier +
                               " is as it was.")
                                  .toStdString(),
                              "Error", MsgIcon::Stop});
            VERIFY_BOXES(s);
        }
        QCOMPARE(bytes(file), QByteArray("the earlier export, which the user keeps"));
        QCOMPARE(everythingIn(folder), QStringList{"chosen.pdf"});

        std::optional<BoxRecord> confirmation;
        if (!done.isEmpty())
            confirmation =
                BoxRecord{done.arg(file).toStdString(), "Confirmation", MsgIcon::Information};
        makePdf(s, way, file, confirmation);
        VERIFY_BOXES(s);
        QVERIFY(bytes(file).startsWith("%PDF-"));
        QVERIFY(!rx::pdfText(file).isEmpty());
        QCOMPARE(modeOf(file), 0600u);
        QCOMPARE(everythingIn(folder), QStringList{"chosen.pdf"});
    }
};

QTEST_MAIN(FullDiskTest)
#include "FullDiskTest.moc"

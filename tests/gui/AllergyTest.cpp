// The patient's allergies in sight on the record, visit and prescription screens and on the
// printed prescription, and the question asked before a drug that matches one is added.

#include "PrescriptionSupport.h"
#include "RecordSupport.h"

#include "screens/AddEntryDialog.h"
#include "screens/AddMedicationDialog.h"
#include "screens/ViewComplaint.h"
#include "store/ClinicInfo.h"

#include <QLabel>
#include <QListWidget>

using namespace records;

Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {

const QChar kEllipsis(0x2026);

// Ten entries: wider than the line on every screen, and more than one line of a printout.
const std::vector<std::string> kManyAllergies = {"Penicillin - anaphylaxis in 2019",
                                                 "Latex gloves",
                                                 "Aspirin (asthma attacks)",
                                                 "Sulfa drugs - severe rash",
                                                 "Shellfish",
                                                 "Codeine (vomiting and dizziness)",
                                                 "Peanuts",
                                                 "Egg protein",
                                                 "Iodinated contrast media",
                                                 "Adhesive plasters"};

void addAllergies(const std::string& patient, const std::vector<std::string>& allergies) {
    for (const std::string& allergy : allergies)
        if (!HistoryEntryRecord().Add(patient, "Allergies", allergy))
            qFatal("the allergy could not be stored");
}

// The line as a user sees it: shown, the whole text or as much of its beginning as the width
// takes followed by an ellipsis, red with the whole text in its tooltip when it warns.
void verifyLine(QLabel* line, const QString& whole, bool warns) {
    QVERIFY(line);
    QVERIFY(line->isVisible());
    const QString shown = line->text();
    if (shown != whole) {
        QVERIFY2(shown.endsWith(kEllipsis) && whole.startsWith(shown.chopped(1)),
                 qPrintable(shown));
        QVERIFY(shown.size() > QString("Allergies: ").size());
    }
    QVERIFY(line->fontMetrics().horizontalAdvance(shown) <= line->contentsRect().width());
    QCOMPARE(line->palette().color(QPalette::WindowText) == QColor(Qt::red), warns);
    QCOMPARE(line->toolTip(), warns ? whole : QString());
}

QLabel* recordLine(ViewRec& rec) {
    return rec.control<QLabel>(IDC_REC_ALLERGY_LINE);
}

// Chooses the patient by typing the start of the name, which completes it.
void choosePatient(IssuPrescription& view, const QString& start) {
    QLineEdit* name = view.control<ComboBox>(IDC_RX_PATIENT_NAME)->lineEdit();
    name->selectAll();
    GuiSession::type(view, IDC_RX_PATIENT_NAME, start);
}

QStringList listed(IssuPrescription& view) {
    QStringList lines;
    auto* list = view.control<QListWidget>(IDC_RX_PRESCRIPTIONS);
    for (int row = 0; row < list->count(); ++row)
        lines << list->item(row)->text();
    return lines;
}

// The printout's rows from the diagnosis up to "Rx:", wrapped lines joined again.
QString printedBeforeTheDrugs(const QString& file) {
    const QStringList lines = rx::lines(rx::pdfText(file));
    const qsizetype diagnosis = lines.indexOf("Diagnosis: Acute sinusitis");
    const qsizetype drugs = lines.indexOf("Rx:");
    if (diagnosis < 0 || drugs < diagnosis)
        return lines.join(u'|');
    return lines.mid(diagnosis + 1, drugs - diagnosis - 1).join(u' ');
}

BoxRecord question(const QString& text) {
    return {text.toStdString(), "Warning", MsgIcon::Exclamation, MsgButtons::YesNoDefaultNo};
}

// Adds the drug to the patient's medications through the record screen's dialog; the dialog
// is cancelled when it stays up. Returns the text the drug box held at the end.
QString addMedication(ViewRec& rec, const QString& drug) {
    GuiSession::click(rec, IDC_REC_MEDICATIONS);
    QString left;
    GuiSession::withModal<AddMedicationDialog>([&] { GuiSession::click(rec, IDC_REC_ADD); },
                                               [&](AddMedicationDialog& d) {
                                                   GuiSession::type(d, IDC_MED_DRUG, drug);
                                                   GuiSession::click(d, IDOK);
                                                   left = d.drugBox()->currentText();
                                                   if (d.isVisible())
                                                       d.EndDialog(IDCANCEL);
                                               });
    return left;
}

QStringList storedMedications(const std::string& patient) {
    PatientMedicationList medications;
    if (!medications.Fetch(patient))
        qFatal("the medications could not be read");
    QStringList names;
    for (const std::string& name : medications.m_names)
        names << QString::fromStdString(name);
    return names;
}

} // namespace

class AllergyTest : public QObject {
    Q_OBJECT

private slots:
    // The same line on the three screens and the printout, for this patient only and for
    // allergies only, whatever else the history holds.
    void theLineShowsThePatientsAllergiesOnEveryScreenAndOnPaper_data() {
        QTest::addColumn<std::vector<std::string>>("allergies");
        QTest::addColumn<QString>("whole");
        QTest::addColumn<bool>("cut");
        QTest::addRow("none") << std::vector<std::string>{} << "Allergies: none recorded" << false;
        QTest::addRow("one") << std::vector<std::string>{"Penicillin - rash"}
                             << "Allergies: Penicillin - rash" << false;
        std::string many = "Allergies: " + kManyAllergies.front();
        for (size_t i = 1; i < kManyAllergies.size(); ++i)
            many += "; " + kManyAllergies[i];
        QTest::addRow("many") << kManyAllergies << QString::fromStdString(many) << true;
    }

    void theLineShowsThePatientsAllergiesOnEveryScreenAndOnPaper() {
        QFETCH(std::vector<std::string>, allergies);
        QFETCH(QString, whole);
        QFETCH(bool, cut);
        const bool warns = !allergies.empty();
        GuiSession s;
        QVERIFY(ClinicInfo().Save("Cedar Family Clinic", "Dr. Amal Haddad", "MD", "555-0142",
                                  "12 Harbour Road", "Tripoli", "North", "01300"));
        const std::string other = addPatient("Omar", "Khalil");
        addAllergies(other, {"Sulfa drugs"});
        const std::string id = addPatient("Nadia", "Aziz");
        addAllergies(id, allergies);
        HistoryEntryRecord().Add(id, "Medical", "Asthma");

        ViewRec* rec = openRecord(s, id);
        QVERIFY(rec);
        verifyLine(recordLine(*rec), whole, warns);
        QCOMPARE(recordLine(*rec)->text() != whole, cut);

        GuiSession::click(*rec, IDC_REC_ADD);
        auto* visit = s.active<ViewComplaint>();
        QVERIFY(visit);
        verifyLine(visit->control<QLabel>(IDC_VISIT_ALLERGY_LINE), whole, warns);
        GuiSession::click(*visit, IDC_VISIT_CANCEL);
        rec = s.active<ViewRec>();
        QVERIFY(rec);
        GuiSession::click(*rec, IDC_REC_CLOSE);

        IssuPrescription* view = rx::openPrescription(s);
        QVERIFY(view);
        auto* line = view->control<QLabel>(IDC_RX_ALLERGY_LINE);
        QVERIFY(!line->isVisible());
        choosePatient(*view, "nad");
        verifyLine(line, whole, warns);
        QCOMPARE(line->text() != whole, cut);

        QTest::keyClick(view->control<ComboBox>(IDC_RX_PATIENT_NAME)->lineEdit(), Qt::Key_Tab);
        GuiSession::type(*view, IDC_RX_DIAGNOSIS, "Acute sinusitis");
        GuiSession::type(*view, IDC_RX_DRUG, "paracetamol 1g");
        GuiSession::click(*view, IDC_RX_ADD_TO_LIST);
        const QString file = s.folder() + "/allergies.pdf";
        s.boxes().expectPrint(rx::toPdf(file));
        GuiSession::click(*view, IDC_RX_PRINT);
        VERIFY_BOXES(s);
        QCOMPARE(printedBeforeTheDrugs(file), whole);
    }

    // Adding or deleting an allergy on the record screen changes the line at once; other
    // history does not touch it.
    void theLineFollowsAllergiesAddedAndDeleted() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        ViewRec* rec = openRecord(s, id);
        verifyLine(recordLine(*rec), "Allergies: none recorded", false);

        const auto addEntry = [&](int radio, const QString& details) {
            GuiSession::click(*rec, radio);
            return GuiSession::withModal<AddEntryDialog>(
                [&] { GuiSession::click(*rec, IDC_REC_ADD); },
                [&](AddEntryDialog& d) {
                    GuiSession::type(d, IDC_ENTRY_DETAILS, details);
                    GuiSession::click(d, IDOK);
                });
        };
        QVERIFY(addEntry(IDC_REC_ALLERGIES, "Penicillin"));
        verifyLine(recordLine(*rec), "Allergies: Penicillin", true);
        QVERIFY(addEntry(IDC_REC_ALLERGIES, "Latex"));
        verifyLine(recordLine(*rec), "Allergies: Penicillin; Latex", true);
        QVERIFY(addEntry(IDC_REC_MEDICAL, "Asthma"));
        verifyLine(recordLine(*rec), "Allergies: Penicillin; Latex", true);

        const auto deleteRow = [&](int row) {
            clickRow(rec->control<ListView>(IDC_REC_HISTORY_LIST), row);
            s.boxes().expectBox(
                {"Delete entry?", "Confirmation", MsgIcon::Question, MsgButtons::YesNo}, IDYES);
            GuiSession::click(*rec, IDC_REC_DELETE);
        };
        GuiSession::click(*rec, IDC_REC_ALLERGIES);
        deleteRow(0);
        verifyLine(recordLine(*rec), "Allergies: Latex", true);
        deleteRow(0);
        verifyLine(recordLine(*rec), "Allergies: none recorded", false);
        VERIFY_BOXES(s);
    }

    // The line shows whom the name box names: another patient's allergies when another is
    // chosen, nothing for a name typed in or after a reset.
    void thePrescriptionLineFollowsTheChosenPatient() {
        GuiSession s;
        addAllergies(addPatient("Nadia", "Aziz"), {"Penicillin"});
        addAllergies(addPatient("Omar", "Khalil"), {"Latex", "Codeine"});
        IssuPrescription* view = rx::openPrescription(s);
        auto* line = view->control<QLabel>(IDC_RX_ALLERGY_LINE);
        choosePatient(*view, "Nad");
        verifyLine(line, "Allergies: Penicillin", true);
        choosePatient(*view, "om");
        verifyLine(line, "Allergies: Latex; Codeine", true);
        choosePatient(*view, "Walk In");
        QVERIFY(!line->isVisible());
        choosePatient(*view, "Nadia Az");
        verifyLine(line, "Allergies: Penicillin", true);
        GuiSession::click(*view, IDC_RX_RESET);
        QVERIFY(!line->isVisible());
        VERIFY_BOXES(s);
    }

    // Adding a drug to a prescription or to the medications asks when it shares a word with
    // an allergy or belongs to its class; Yes adds it, No leaves it typed and unadded.
    void theQuestionComesBeforeAnAllergen_data() {
        QTest::addColumn<bool>("prescription");
        QTest::addColumn<QString>("allergy");
        QTest::addColumn<QString>("drug");
        QTest::addColumn<QString>("asked"); // empty when no question is to be asked
        QTest::addColumn<int>("answer");
        struct Case {
            const char* name;
            const char* allergy;
            const char* drug;
            const char* asked;
        };
        const Case cases[] = {
            {"shared word", "Codeine (vomiting)", "codeine phosphate 30mg",
             "Nadia Aziz is recorded as allergic to: Codeine (vomiting). Add CODEINE PHOSPHATE "
             "30MG anyway?"},
            {"penicillin class", "Penicillin", "amoxicillin 500mg",
             "Nadia Aziz is recorded as allergic to: Penicillin (the same class: penicillins). "
             "Add AMOXICILLIN 500MG anyway?"},
            {"aspirin and NSAIDs", "aspirin - asthma", "ibuprofen 400mg",
             "Nadia Aziz is recorded as allergic to: aspirin - asthma (the same class: NSAIDs "
             "and aspirin). Add IBUPROFEN 400MG anyway?"},
            {"accents and case", "MÉTAMIZOLE", "metamizole 500mg",
             "Nadia Aziz is recorded as allergic to: MÉTAMIZOLE. Add METAMIZOLE 500MG anyway?"},
            {"no match", "Penicillin", "paracetamol 1g", ""},
        };
        for (bool prescription : {true, false})
            for (const Case& c : cases)
                for (int answer : {IDYES, IDNO}) {
                    if (!*c.asked && answer == IDNO)
                        continue;
                    QTest::addRow("%s, %s%s", prescription ? "prescription" : "medication", c.name,
                                  !*c.asked         ? ""
                                  : answer == IDYES ? ", yes"
                                                    : ", no")
                        << prescription << QString(c.allergy) << QString(c.drug) << QString(c.asked)
                        << answer;
                }
    }

    void theQuestionComesBeforeAnAllergen() {
        QFETCH(bool, prescription);
        QFETCH(QString, allergy);
        QFETCH(QString, drug);
        QFETCH(QString, asked);
        QFETCH(int, answer);
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        addAllergies(id, {allergy.toStdString(), "Latex"});
        if (!asked.isEmpty())
            s.boxes().expectBox(question(asked), answer);
        const bool added = asked.isEmpty() || answer == IDYES;
        const QString stored = drug.toUpper();

        if (prescription) {
            IssuPrescription* view = rx::openPrescription(s);
            choosePatient(*view, "Nadia");
            GuiSession::type(*view, IDC_RX_DRUG, drug);
            GuiSession::click(*view, IDC_RX_ADD_TO_LIST);
            QCOMPARE(listed(*view), added ? QStringList{stored} : QStringList{});
            QCOMPARE(view->control<ComboBox>(IDC_RX_DRUG)->currentText(),
                     added ? QString() : stored);
        } else {
            ViewRec* rec = openRecord(s, id);
            const QString left = addMedication(*rec, drug);
            QCOMPARE(storedMedications(id), added ? QStringList{stored} : QStringList{});
            if (!added)
                QCOMPARE(left, stored);
        }
        VERIFY_BOXES(s);
    }

    // A drug for a patient whose allergies cannot be read is not added unchecked; a name typed
    // in, not chosen from the records, has no allergies to check.
    void aDrugIsNeverAddedUnchecked() {
        GuiSession s;
        addAllergies(addPatient("Nadia", "Aziz"), {"Aspirin"});
        IssuPrescription* view = rx::openPrescription(s);
        choosePatient(*view, "Nadia");
        GuiSession::type(*view, IDC_RX_DRUG, "aspirin 75mg");
        {
            TableAway away("history_entries");
            s.boxes().expectBox({"Error fetching allergies list", "Error", MsgIcon::Stop});
            GuiSession::click(*view, IDC_RX_ADD_TO_LIST);
        }
        QCOMPARE(listed(*view), QStringList{});
        QCOMPARE(view->control<ComboBox>(IDC_RX_DRUG)->currentText(), QString("ASPIRIN 75MG"));

        choosePatient(*view, "Nadia Aziz Junior");
        GuiSession::click(*view, IDC_RX_ADD_TO_LIST);
        QCOMPARE(listed(*view), QStringList{"ASPIRIN 75MG"});
        VERIFY_BOXES(s);
    }

    // Allergies that cannot be read are never shown as none.
    void unreadableAllergiesAreSaidToBeSo() {
        GuiSession s;
        const std::string id = addPatient("Nadia", "Aziz");
        addAllergies(id, {"Aspirin"});
        ViewRec* rec = openRecord(s, id);
        {
            TableAway away("history_entries");
            s.boxes().expectBox({"Error retrieving entris", "Error", MsgIcon::Stop});
            GuiSession::click(*rec, IDC_REC_ALLERGIES);
        }
        verifyLine(recordLine(*rec), "Allergies: could not be read", true);
        VERIFY_BOXES(s);
    }
};

QTEST_MAIN(AllergyTest)
#include "AllergyTest.moc"

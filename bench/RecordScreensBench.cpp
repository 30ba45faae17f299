// The patient record screens at a large clinic, offscreen, through the real main window:
// "List all patients" over every patient, the record screen of a patient seen very often and
// its history types, and completion over the clinic's medication names.

#include "app/CKLApp.h"
#include "app/CMainFrame.h"
#include "app/Screens.h"
#include "bench/KeptClinic.h"
#include "bench/ScreenBench.h"
#include "platform/ComboBox.h"
#include "platform/CompleteEntry.h"
#include "platform/ListView.h"
#include "platform/QPrinterDevice.h"
#include "prescription/RecordPrintout.h"
#include "res/resource.h"
#include "screens/AddMedicationDialog.h"
#include "screens/ViewRec.h"
#include "screens/ViewResults.h"
#include "store/Database.h"
#include "store/Statement.h"
#include "store/store.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPrinter>
#include <QSignalBlocker>
#include <QLineEdit>
#include <QTest>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kPatients = 100000;
constexpr int kMedicationNames = 2000;
constexpr int kFrequentVisits = 500;
constexpr int kFrequentTests = 120;
constexpr int kFrequentMedical = 40;

// The large clinic and one more patient with many visits, tests and entries, made once and
// kept for later runs.
class Clinic {
public:
    Clinic() : frequentPatient(enterKeptClinic("records-100000", kPatients, addFrequentPatient)) {}

    std::string frequentPatient;

private:
    static std::string addFrequentPatient() {
        PatientRecord patient;
        if (!patient.Add("Zebulon", "Quartermaine", DateTime::fromCivil(1948, 2, 11), 0,
                         "4 Mill Lane", "555-0199"))
            throw std::runtime_error("cannot add the frequent patient");
        std::vector<std::string> texts(ComplaintRecord::textCount, "Normal findings.");
        for (int i = 0; i < kFrequentVisits; ++i) {
            texts[visitText("complaint")] =
                "Follow-up of blood pressure, visit " + std::to_string(i + 1);
            texts[visitText("diagnosis")] = "Essential hypertension, controlled";
            texts[visitText("treatment")] = "Continue amlodipine 5 mg daily; review in two weeks";
            if (!ComplaintRecord().Add(patient.m_id, DateTime::fromCivil(2000, 1, 1 + 14 * i),
                                       texts))
                throw std::runtime_error("cannot add a visit");
        }
        for (int i = 0; i < kFrequentTests; ++i)
            if (!TestRecord().Add(patient.m_id, DateTime::fromCivil(2001, 1, 1 + 30 * i),
                                  "LIPID PANEL", "LDL 3.1 mmol/L, HDL 1.2 mmol/L"))
                throw std::runtime_error("cannot add a test");
        for (int i = 0; i < kFrequentMedical; ++i)
            if (!HistoryEntryRecord().Add(patient.m_id, "Medical",
                                          "Hypertension diagnosed, entry " + std::to_string(i)))
                throw std::runtime_error("cannot add an entry");
        return patient.m_id;
    }
};

// From the main menu's button to the filled results screen, shown once.
void ListAllPatients(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        CMainFrame::OpenMainMenu();
        ScreenBench::settle();
        auto* button = CMainFrame::GetScreenView(SCREEN_MAIN_MENU)
                           ->control<QAbstractButton>(IDC_MAIN_LIST_ALL);
        state.ResumeTiming();
        button->click();
        QApplication::processEvents();
        state.PauseTiming();
        auto* results = CMainFrame::ScreenView<ViewResults>(SCREEN_VIEW_RESULTS);
        const int rows = results ? results->control<ListView>(IDC_RESULTS_LIST)->rowCountNow() : 0;
        CMainFrame::CloseViewResults();
        ScreenBench::settle();
        if (rows != kPatients + 1) {
            state.SkipWithError("the results are not all listed");
            break;
        }
        state.ResumeTiming();
    }
}

// The openings of the patient's record that the audit trail holds, once those queued are in.
long long openingsEntered(const std::string& patient) {
    long long count = -1;
    Database::read([&](Database& db) {
        Statement entries = db.prepare("SELECT count(*) FROM audit_trail WHERE action = 'open'"
                                       " AND table_name = 'patient_info' AND record_id = ?");
        entries.bind(1, patient);
        if (entries.step())
            count = entries.integer(0);
        return true;
    });
    return count;
}

// An opener's hand-over: the record screen opened, LoadPatient, shown once. Its opening is
// entered in the audit trail by a thread of its own; the runs check that each one was.
void RecordOfFrequentPatient(benchmark::State& state, const Clinic& clinic) {
    const long long openedBefore = openingsEntered(clinic.frequentPatient);
    for (auto _ : state) {
        CMainFrame::OpenViewRec();
        auto* rec = CMainFrame::ScreenView<ViewRec>(SCREEN_VIEW_REC);
        rec->patientId = clinic.frequentPatient;
        rec->LoadPatient();
        QApplication::processEvents();
        state.PauseTiming();
        const int rows = rec->control<ListView>(IDC_REC_HISTORY_LIST)->rowCountNow();
        CMainFrame::CloseViewRec();
        ScreenBench::settle();
        if (rows != kFrequentVisits) {
            state.SkipWithError("the visits are not all listed");
            break;
        }
        state.ResumeTiming();
    }
    if (openingsEntered(clinic.frequentPatient) - openedBefore != (long long)state.iterations())
        state.SkipWithError("the openings were not all entered in the audit trail");
}

struct Switch {
    const char* name;
    int radio;
    int rows;
};

const Switch kSwitches[] = {
    {"to Visits (500 rows)", IDC_REC_VISITS, kFrequentVisits},
    {"to Tests (120 rows)", IDC_REC_TESTS, kFrequentTests},
    {"to Medical (40 rows)", IDC_REC_MEDICAL, kFrequentMedical},
};

// A click on a history type, from the click to the list shown with its rows. Each click
// fetches anew, so alternating with another type measures the same work.
void SwitchHistoryType(benchmark::State& state, const Clinic& clinic) {
    const Switch& to = kSwitches[state.range(0)];
    const int away = to.radio == IDC_REC_SOCIAL ? IDC_REC_FAMILY : IDC_REC_SOCIAL;
    CMainFrame::OpenViewRec();
    auto* rec = CMainFrame::ScreenView<ViewRec>(SCREEN_VIEW_REC);
    rec->patientId = clinic.frequentPatient;
    rec->LoadPatient();
    ScreenBench::settle();
    auto* target = rec->control<QAbstractButton>(to.radio);
    auto* other = rec->control<QAbstractButton>(away);
    ListView* list = rec->control<ListView>(IDC_REC_HISTORY_LIST);
    for (auto _ : state) {
        state.PauseTiming();
        other->click();
        QApplication::processEvents();
        state.ResumeTiming();
        target->click();
        QApplication::processEvents();
        state.PauseTiming();
        const bool listed = list->rowCountNow() == to.rows;
        state.ResumeTiming();
        if (!listed) {
            state.SkipWithError("the list does not hold the type's rows");
            break;
        }
    }
    state.SetLabel(to.name);
    CMainFrame::CloseViewRec();
    ScreenBench::settle();
}

// A PDF printer that counts the pages it was given.
class RecordingPages : public QPrinterDevice {
public:
    using QPrinterDevice::QPrinterDevice;
    void startPage() override {
        ++pages;
        QPrinterDevice::startPage();
    }
    int pages = 0;
};

// Counts the paints of one widget, so a resize that was not repainted cannot pass as fast.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* watched) { watched->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// A resize of the main window with the record screen of 500 visits open, from the resize to
// the repainted window; the sizes alternate, so each one lays the screen out anew. Beside the
// mean, each repetition reports the median resize and the worst of its resizes.
void ResizeWithRecordOpen(benchmark::State& state, const Clinic& clinic) {
    CMainFrame& frame = *CKLApp::instance().mainFrame();
    frame.showNormal();
    CMainFrame::OpenViewRec();
    auto* rec = CMainFrame::ScreenView<ViewRec>(SCREEN_VIEW_REC);
    rec->patientId = clinic.frequentPatient;
    rec->LoadPatient();
    ScreenBench::settle();
    auto* visits = rec->control<ListView>(IDC_REC_HISTORY_LIST);
    PaintCounter listPaints(visits->viewport());
    const QSize sizes[] = {{1280, 800}, {1920, 1050}};
    std::vector<double> took;
    for (auto _ : state) {
        const int paintsBefore = listPaints.paints;
        const auto started = std::chrono::steady_clock::now();
        frame.resize(sizes[took.size() % 2]);
        // Delivers the resize and then the window's update request, which repaints it.
        QApplication::processEvents();
        took.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count());
        if (listPaints.paints == paintsBefore) {
            state.SkipWithError("the visits list was not repainted");
            break;
        }
    }
    std::sort(took.begin(), took.end());
    state.counters["median_ms"] = took[took.size() / 2];
    state.counters["worst_ms"] = took.back();
    if (visits->rowCountNow() != kFrequentVisits)
        state.SkipWithError("the visits are not all listed");
    CMainFrame::CloseViewRec();
    ScreenBench::settle();
}

// The whole record of the patient with 500 visits, read and printed to a PDF file at the
// resolution the record screen's export uses.
void PrintRecordToPdf(benchmark::State& state, const Clinic& clinic) {
    const QString file = QDir::temp().filePath("medora-bench-record.pdf");
    int pages = 0;
    for (auto _ : state) {
        std::optional<RecordContents> contents = RecordContents::fetch(clinic.frequentPatient);
        if (!contents) {
            state.SkipWithError("the record cannot be read");
            break;
        }
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setResolution(600);
        RecordingPages device(printer);
        RecordPrintout(std::move(*contents), std::nullopt).print(device);
        pages = device.pages;
    }
    state.counters["pages"] = pages;
    QFile::remove(file);
}

// What a desk types to find a patient: names in either order and without accents, a
// telephone number, a date of birth, a record number. The clinic's names repeat, so the
// first letters of a name find tens of thousands of patients.
const char* const kSearches[] = {"smith mary", "nunez jose", "555-4321", "17/05/1980", "okafor w",
                                 "12345",      "zz"};

// Each keystroke in the search results screen's box, from the key to the updated list, as
// the searches above are typed letter by letter into an empty box. Beside the mean, each
// repetition reports the median keystroke and the worst.
void SearchKeystroke(benchmark::State& state) {
    CMainFrame::OpenViewResults();
    auto* results = CMainFrame::ScreenView<ViewResults>(SCREEN_VIEW_RESULTS);
    ScreenBench::settle();
    auto* box = results->control<QLineEdit>(IDC_RESULTS_SEARCH);
    auto* list = results->control<ListView>(IDC_RESULTS_LIST);
    box->setFocus();
    std::vector<double> took;
    for (auto _ : state) {
        for (const char* search : kSearches) {
            state.PauseTiming();
            {
                const QSignalBlocker quiet(box);
                box->clear();
            }
            state.ResumeTiming();
            for (const char* key = search; *key != '\0'; ++key) {
                const auto started = std::chrono::steady_clock::now();
                QTest::keyClick(box, *key);
                QApplication::processEvents();
                took.push_back(std::chrono::duration<double, std::milli>(
                                   std::chrono::steady_clock::now() - started)
                                   .count());
            }
            state.PauseTiming();
            // Only the last search finds nobody.
            const bool listed = box->text() == search &&
                                results->hasResults == (search != std::end(kSearches)[-1]) &&
                                list->rowCountNow() <= PatientNameList::searchLimit;
            state.ResumeTiming();
            if (!listed) {
                state.SkipWithError("the list does not show what was typed");
                break;
            }
        }
    }
    std::sort(took.begin(), took.end());
    state.counters["keystrokes"] = static_cast<double>(took.size());
    state.counters["median_ms"] = took[took.size() / 2];
    state.counters["worst_ms"] = took.back();
    CMainFrame::CloseViewResults();
    ScreenBench::settle();
}

struct Typing {
    const char* name;
    QString typed; // the last character is the keystroke measured
};

// The box keeps its list sorted, so the last entry is the longest search.
Typing typing(int which, const ComboBox& box) {
    const QString last = box.entries().last();
    return which == 0   ? Typing{"early match", "AM"}
           : which == 1 ? Typing{"the last entry", last.chopped(1)}
                        : Typing{"no match", "QXZ"};
}

// One keystroke at the end of the medication dialog's drug box, over the 2,000 names: the
// whole key from press to completed text, or CompleteEntry alone.
void DrugKeystroke(benchmark::State& state, bool wholeKey) {
    AddMedicationDialog dialog(CKLApp::instance().mainFrame());
    dialog.show();
    ScreenBench::settle();
    ComboBox* box = dialog.drugBox();
    if (box->count() != kMedicationNames) {
        state.SkipWithError("the drug box is not filled");
        return;
    }
    QLineEdit* field = box->lineEdit();
    box->setFocus();
    const Typing t = typing(int(state.range(0)), *box);
    const QString before = t.typed.chopped(1);
    for (auto _ : state) {
        state.PauseTiming();
        field->setText(before);
        field->end(false);
        state.ResumeTiming();
        if (wholeKey) {
            QTest::keyClick(box, t.typed.back().toLatin1());
        } else {
            field->setText(t.typed);
            benchmark::DoNotOptimize(CompleteEntry(box, true));
        }
        state.PauseTiming();
        const bool completed = field->text().size() > t.typed.size();
        const bool right = field->text().startsWith(t.typed, Qt::CaseInsensitive) &&
                           completed == (box->findPrefix(t.typed) >= 0);
        state.ResumeTiming();
        if (!right) {
            state.SkipWithError("the keystroke did not complete as it should");
            break;
        }
    }
    state.SetLabel(t.name);
    dialog.EndDialog(IDCANCEL);
}

} // namespace

int main(int argc, char** argv) {
    ScreenBench::quietOffscreen();
    QApplication qt(argc, argv);
    const Clinic clinic;
    return ScreenBench::runInMainWindow(argc, argv, [&clinic] {
        const auto measured = ScreenBench::measured;
        measured(benchmark::RegisterBenchmark("ListAllPatients/100000", ListAllPatients));
        measured(benchmark::RegisterBenchmark(
            "ViewRec/LoadPatient/500 visits",
            [&clinic](benchmark::State& s) { RecordOfFrequentPatient(s, clinic); }));
        measured(
            benchmark::RegisterBenchmark("ViewRec/switch type", [&clinic](benchmark::State& s) {
                SwitchHistoryType(s, clinic);
            })->DenseRange(0, 2));
        measured(benchmark::RegisterBenchmark("ViewRec/resize/500 visits",
                                              [&clinic](benchmark::State& s) {
                                                  ResizeWithRecordOpen(s, clinic);
                                              }))
            ->Iterations(100);
        measured(benchmark::RegisterBenchmark("RecordPrintout/500 visits to PDF",
                                              [&clinic](benchmark::State& s) {
                                                  PrintRecordToPdf(s, clinic);
                                              }));
        measured(benchmark::RegisterBenchmark("ViewResults/search keystroke/100000",
                                              SearchKeystroke))
            ->Iterations(5);
        measured(benchmark::RegisterBenchmark("AddMedication/keystroke/2000 names",
                                              [](benchmark::State& s) { DrugKeystroke(s, true); })
                     ->DenseRange(0, 2));
        measured(benchmark::RegisterBenchmark("CompleteEntry/2000 names", [](benchmark::State& s) {
                     DrugKeystroke(s, false);
                 })->DenseRange(0, 2));
    });
}

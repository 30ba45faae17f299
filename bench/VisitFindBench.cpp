// The visit screen and the find-by-name screen at a large clinic, offscreen, through the real
// main window: the name list opened and filled, completion at each keystroke over it, and
// the visit screen of a patient seen very often.

#include "app/CKLApp.h"
#include "app/CMainFrame.h"
#include "app/Screens.h"
#include "bench/KeptClinic.h"
#include "bench/ScreenBench.h"
#include "platform/ComboBox.h"
#include "platform/CompleteEntry.h"
#include "res/resource.h"
#include "screens/FindName.h"
#include "screens/ViewComplaint.h"
#include "store/store.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <benchmark/benchmark.h>

#include <stdexcept>

namespace {

constexpr int kPatients = 100000;
constexpr int kFrequentVisits = 500;
// Added last, so completing it means searching the whole list.
const char* const kFrequentFirst = "Zebulon";
const char* const kFrequentLast = "Quartermaine";

// The large clinic and one more patient with many visits, made once and kept for later runs.
class Clinic {
public:
    Clinic()
        : frequentPatient(
              enterKeptClinic("visits-and-names-100000", kPatients, addFrequentPatient)) {
        ComplaintList visits;
        if (!visits.Fetch(frequentPatient) || visits.m_ids.size() != kFrequentVisits)
            throw std::runtime_error("the frequent patient's visits are missing");
        lastVisit = visits.m_ids.back();
    }

    std::string frequentPatient;
    std::string lastVisit;

private:
    static std::string addFrequentPatient() {
        static const char* const complaints[] = {"Headache for two days",
                                                 "Cough and fever",
                                                 "Lower back pain",
                                                 "Follow-up of blood pressure",
                                                 "Sore throat",
                                                 "Abdominal pain after meals",
                                                 "Dizziness on standing",
                                                 "Skin rash on both arms",
                                                 "Fatigue and poor sleep",
                                                 "Knee pain when climbing stairs",
                                                 "Repeat prescription",
                                                 "Chest tightness on exertion"};
        PatientRecord patient;
        if (!patient.Add(kFrequentFirst, kFrequentLast, DateTime::fromCivil(1948, 2, 11), 0,
                         "4 Mill Lane", "555-0199"))
            throw std::runtime_error("cannot add the frequent patient");
        std::vector<std::string> texts(ComplaintRecord::textCount, "Normal findings.");
        for (int i = 0; i < kFrequentVisits; ++i) {
            texts[visitText("complaint")] = complaints[i % std::size(complaints)];
            texts[visitText("diagnosis")] = "Visit " + std::to_string(i + 1) + " diagnosis";
            if (!ComplaintRecord().Add(patient.m_id, DateTime::fromCivil(2000, 1, 1 + 14 * i),
                                       texts))
                throw std::runtime_error("cannot add a visit");
        }
        return patient.m_id;
    }
};

// Opened from the main menu's task and shown once, as the user would see it.
void FindNameOpenAndFill(benchmark::State& state) {
    for (auto _ : state) {
        CMainFrame::OpenFindName();
        QApplication::processEvents();
        state.PauseTiming();
        auto* find = CMainFrame::ScreenView<FindName>(SCREEN_FIND_NAME);
        const bool filled = find && find->patientIds.size() == kPatients + 1;
        CMainFrame::CloseFindName();
        ScreenBench::settle();
        if (!filled) {
            state.SkipWithError("the name box is not filled");
            break;
        }
        state.ResumeTiming();
    }
}

struct Typing {
    const char* name;
    QString typed; // the last character is the keystroke measured
};

Typing typing(int which) {
    static const Typing cases[] = {
        {"early match", "Ma"},
        {"only the last entry", QString(kFrequentFirst) + " Q"},
        {"no match", "Qxz"},
    };
    return cases[which];
}

// One keystroke at the end of the name box's text, from key press to completed text.
void NameKeystroke(benchmark::State& state, bool wholeKey) {
    CMainFrame::OpenFindName();
    ScreenBench::settle();
    auto* find = CMainFrame::ScreenView<FindName>(SCREEN_FIND_NAME);
    auto* box = find->control<ComboBox>(IDC_FINDNAME_NAME);
    QLineEdit* field = box->lineEdit();
    box->setFocus();
    const QString typed = typing(int(state.range(0))).typed;
    const QString before = typed.chopped(1);
    for (auto _ : state) {
        state.PauseTiming();
        field->setText(before);
        field->end(false);
        state.ResumeTiming();
        if (wholeKey) {
            QTest::keyClick(box, typed.back().toLatin1());
        } else {
            field->setText(typed);
            benchmark::DoNotOptimize(CompleteEntry(box, true));
        }
        state.PauseTiming();
        const bool completed = field->text().size() > typed.size();
        if (!field->text().startsWith(typed, Qt::CaseInsensitive) ||
            completed != (box->findPrefix(typed) >= 0)) {
            state.SkipWithError("the keystroke did not complete as it should");
            break;
        }
        state.ResumeTiming();
    }
    state.SetLabel(typing(int(state.range(0))).name);
    CMainFrame::CloseFindName();
    ScreenBench::settle();
}

// The record screen's "View/Edit" on the patient's last visit: the visit fetched, the screen
// opened, its complaint box filled with the 500 earlier complaints, and shown once.
void VisitScreenOfFrequentPatient(benchmark::State& state, const Clinic& clinic) {
    for (auto _ : state) {
        ComplaintList details;
        if (!details.FetchDetails(clinic.lastVisit)) {
            state.SkipWithError("cannot fetch the visit");
            break;
        }
        CMainFrame::OpenViewComplaint();
        auto* visit = CMainFrame::ScreenView<ViewComplaint>(SCREEN_VIEW_COMPLAINT);
        visit->patientId = clinic.frequentPatient;
        visit->visitId = clinic.lastVisit;
        visit->visitDate = details.m_date;
        visit->texts = lastVisitTexts(details.m_values);
        visit->enableControl(IDC_VISIT_DELETE, true);
        visit->setControlText(IDC_VISIT_CANCEL, "Close");
        visit->LoadVisit();
        QApplication::processEvents();
        state.PauseTiming();
        const int listed = visit->control<ComboBox>(IDC_VISIT_COMPLAINT)->count();
        CMainFrame::CloseViewComplaint();
        ScreenBench::settle();
        if (listed != kFrequentVisits) {
            state.SkipWithError("the complaint box is not filled");
            break;
        }
        state.ResumeTiming();
    }
}

} // namespace

int main(int argc, char** argv) {
    ScreenBench::quietOffscreen();
    QApplication qt(argc, argv);
    const Clinic clinic;
    return ScreenBench::runInMainWindow(argc, argv, [&clinic] {
        const auto measured = ScreenBench::measured;
        measured(
            benchmark::RegisterBenchmark("FindName/open and fill/100000", FindNameOpenAndFill));
        measured(benchmark::RegisterBenchmark("FindName/keystroke/100000", [](benchmark::State& s) {
                     NameKeystroke(s, true);
                 })->DenseRange(0, 2));
        measured(benchmark::RegisterBenchmark("CompleteEntry/100000", [](benchmark::State& s) {
                     NameKeystroke(s, false);
                 })->DenseRange(0, 2));
        measured(benchmark::RegisterBenchmark(
            "ViewComplaint/stored visit/500 earlier visits",
            [&clinic](benchmark::State& s) { VisitScreenOfFrequentPatient(s, clinic); }));
    });
}

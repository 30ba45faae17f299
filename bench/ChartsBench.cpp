// The vital signs charts of a patient seen 500 times, offscreen, through the real main window:
// from the record screen's "Charts…" to every chart drawn.

#include "app/CKLApp.h"
#include "app/CMainFrame.h"
#include "app/Screens.h"
#include "bench/KeptClinic.h"
#include "bench/ScreenBench.h"
#include "res/resource.h"
#include "screens/MeasureChart.h"
#include "screens/Navigator.h"
#include "screens/ViewRec.h"
#include "screens/VitalChartsView.h"
#include "store/store.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineSeries>
#include <benchmark/benchmark.h>

#include <random>
#include <stdexcept>

namespace {

constexpr int kPatients = 10000;
constexpr int kVisits = 500;

// A visit's measurements as a clinic writes them: now and then a temperature not taken, the
// height measured at one visit in ten.
std::vector<std::string> measuredVisit(std::mt19937& random, int visit) {
    const auto between = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::vector<std::string> texts(ComplaintRecord::textCount);
    texts[visitText("complaint")] = "Follow-up of blood pressure, visit " + std::to_string(visit);
    texts[visitText("temp")] = between(0, 49) == 0 ? "not taken"
                                                   : std::to_string(between(360, 392) / 10) + "." +
                                                         std::to_string(between(0, 9));
    texts[visitText("bp")] =
        std::to_string(between(110, 165)) + "/" + std::to_string(between(65, 100));
    texts[visitText("pulse")] = std::to_string(between(58, 104));
    texts[visitText("RR")] = std::to_string(between(12, 22));
    if (visit % 10 == 0)
        texts[visitText("height")] = std::to_string(between(168, 170));
    texts[visitText("weight")] =
        std::to_string(between(78, 92)) + "." + std::to_string(between(0, 9));
    texts[visitText("diagnosis")] = "Essential hypertension, controlled";
    return texts;
}

std::string addMeasuredPatient() {
    PatientRecord patient;
    if (!patient.Add("Zebulon", "Quartermaine", DateTime::fromCivil(1948, 2, 11), 0, "4 Mill Lane",
                     "555-0199"))
        throw std::runtime_error("cannot add the measured patient");
    std::mt19937 random(7);
    for (int i = 0; i < kVisits; ++i)
        if (!ComplaintRecord().Add(patient.m_id, DateTime::fromCivil(2005, 1, 1 + 14 * i),
                                   measuredVisit(random, i)))
            throw std::runtime_error("cannot add a visit");
    return patient.m_id;
}

// Counts the charts' paints, so that charts made but never drawn cannot pass as fast.
class ChartPaints : public QObject {
public:
    ChartPaints() { qApp->installEventFilter(this); }
    ~ChartPaints() override { qApp->removeEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && qobject_cast<MeasureChart*>(watched->parent()))
            ++paints;
        return false;
    }
};

struct Window {
    const char* name;
    QSize size;
};

// The smallest window the screens are drawn for, and a maximised one on a full HD desktop.
const Window kWindows[] = {{"640x480", {640, 480}}, {"1920x1050", {1920, 1050}}};

// From the click on "Charts…" on the open record screen to the charts screen shown with every
// chart painted, in a main window of the size given.
void OpenCharts(benchmark::State& state, const std::string& patient) {
    const Window& window = kWindows[state.range(0)];
    CMainFrame& frame = *CKLApp::instance().mainFrame();
    frame.showNormal();
    frame.resize(window.size);
    ScreenBench::settle();
    ChartPaints painted;
    for (auto _ : state) {
        state.PauseTiming();
        CMainFrame::OpenViewRec();
        auto* record = CMainFrame::ScreenView<ViewRec>(SCREEN_VIEW_REC);
        record->patientId = patient;
        record->LoadPatient();
        ScreenBench::settle();
        auto* button = record->control<QAbstractButton>(IDC_REC_CHARTS);
        painted.paints = 0;
        state.ResumeTiming();
        button->click();
        QApplication::processEvents();
        state.PauseTiming();
        auto* charts = CMainFrame::ScreenView<VitalChartsView>(SCREEN_VITAL_CHARTS);
        const bool drawn = charts && charts->charts.size() == 6 && painted.paints >= 6 &&
                           charts->charts[1]->lines()[0]->count() == kVisits;
        if (charts)
            Navigator::instance().leave(*charts);
        ScreenBench::settle();
        if (!drawn) {
            state.SkipWithError("the charts are not all drawn with every visit");
            break;
        }
        state.ResumeTiming();
    }
    state.SetLabel(window.name);
}

} // namespace

int main(int argc, char** argv) {
    ScreenBench::quietOffscreen();
    QApplication qt(argc, argv);
    const std::string patient =
        enterKeptClinic("charts-" + std::to_string(kPatients), kPatients, addMeasuredPatient);
    return ScreenBench::runInMainWindow(argc, argv, [&patient] {
        ScreenBench::measured(
            benchmark::RegisterBenchmark("VitalCharts/open/500 visits", [&patient](
                                                                            benchmark::State& s) {
                OpenCharts(s, patient);
            })->DenseRange(0, 1));
    });
}

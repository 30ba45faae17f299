// How long after the idle time the screen is locked: the real main window offscreen, signed in
// through the "Sign in" window, with a patient's record open, from the moment the idle time
// runs out to every window covered and painted. The unlock between runs is not measured.

#include "app/CKLApp.h"
#include "app/CMainFrame.h"
#include "app/LockScreen.h"
#include "app/SignInDialog.h"
#include "bench/KeptClinic.h"
#include "bench/ScreenBench.h"
#include "res/resource.h"
#include "store/FileUsers.h"
#include "store/PatientNameList.h"
#include "store/PatientRecord.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <stdexcept>

using namespace std::chrono_literals;

namespace {

constexpr auto kIdleTime = 200ms;
const char* kName = "amina";
const char* kPassword = "correct horse battery";

std::string addUserAndPatient() {
    FileUsers users;
    if (!users.add({kName, "", UserRole::Administrator}, kPassword))
        throw std::runtime_error(users.failure());
    PatientRecord patient;
    if (!patient.Add("Zebulon", "Quartermaine", DateTime::fromCivil(1948, 2, 11), 0,
                     "4 Mill Lane", "555-0199"))
        throw std::runtime_error("cannot add the patient");
    return patient.m_id;
}

// Answers the "Sign in" window the program shows at start, as the user types.
void signInWhenAsked(QTimer& poll) {
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [] {
        auto* dialog = dynamic_cast<SignInDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        QTest::keyClicks(dialog->control<QLineEdit>(IDC_SIGN_IN_NAME), kName);
        QTest::keyClicks(dialog->control<QLineEdit>(IDC_SIGN_IN_PASSWORD), kPassword);
        QTest::keyClick(dialog->control<QLineEdit>(IDC_SIGN_IN_PASSWORD), Qt::Key_Return);
    });
    poll.start();
}

QLineEdit* unlockField(CMainFrame& frame) {
    for (QLineEdit* edit : frame.findChildren<QLineEdit*>())
        if (edit->echoMode() == QLineEdit::Password && edit->isVisible())
            return edit;
    return nullptr;
}

void LockAfterIdleTime(benchmark::State& state, const std::string& patient) {
    CMainFrame& frame = *CKLApp::instance().mainFrame();
    if (!frame.showPatient(patient))
        throw std::runtime_error("the record did not open");
    ScreenBench::settle();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        frame.lock().setIdleTime(kIdleTime);
        while (!frame.lock().locked())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        frame.repaint();
        const auto late = std::chrono::nanoseconds(clock.nsecsElapsed()) - kIdleTime;
        state.SetIterationTime(std::chrono::duration<double>(late).count());
        QLineEdit* field = unlockField(frame);
        if (!field)
            throw std::runtime_error("the locked screen asks for no password");
        QTest::keyClicks(field, kPassword);
        QTest::keyClick(field, Qt::Key_Return);
        ScreenBench::settle();
        if (frame.lock().locked())
            throw std::runtime_error("the screen did not unlock");
    }
}

} // namespace

int main(int argc, char** argv) {
    ScreenBench::quietOffscreen();
    QApplication qt(argc, argv);
    const std::string patient = enterKeptClinic("records-1000-with-a-user", 1000,
                                                addUserAndPatient);
    QTimer signIn;
    signInWhenAsked(signIn);
    return ScreenBench::runInMainWindow(argc, argv, [&patient, &signIn] {
        signIn.stop();
        benchmark::RegisterBenchmark("Lock/after the idle time",
                                     [&patient](benchmark::State& s) {
                                         LockAfterIdleTime(s, patient);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(10)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    });
}

#include "bench/ScreenBench.h"

#include "app/BackupSettings.h"
#include "app/CKLApp.h"
#include "app/CMainFrame.h"

#include <QApplication>
#include <QStandardPaths>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {
void keepOnlyCriticalMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}
} // namespace

void ScreenBench::quietOffscreen() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(keepOnlyCriticalMessages);
}

void ScreenBench::settle() {
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

benchmark::internal::Benchmark* ScreenBench::measured(benchmark::internal::Benchmark* b) {
    return b->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}

int ScreenBench::runInMainWindow(int argc, char** argv, const std::function<void()>& registerAll) {
    QStandardPaths::setTestModeEnabled(true);
    // The day's automatic backup would copy the large clinic beside the timed screens, and
    // keep a copy of it each day: it goes to a folder that can never be, and fails at once.
    BackupSettings::chooseFolder("/dev/null/no-backups");
    CKLApp app;
    if (!app.InitInstance())
        return 1;
    CMainFrame::CloseMainMenu();
    settle();
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

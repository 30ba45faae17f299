#include "platform/ProgressDialog.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <thread>

std::function<void(QProgressDialog&)> ProgressDialog::whenShown;

namespace {
constexpr int kSteps = 1000;
constexpr int kRedrawMs = 50;
} // namespace

void ProgressDialog::run(QWidget* parent, const QString& label,
                         const std::function<void(const Progress&)>& work) {
    QProgressDialog dialog(label, "Cancel", 0, kSteps, parent);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);
    std::atomic<bool> cancelled{false};
    std::atomic<int> done{0};
    QObject::connect(&dialog, &QProgressDialog::canceled, [&cancelled] { cancelled = true; });
    dialog.show();
    if (whenShown)
        whenShown(dialog);

    QEventLoop loop;
    QTimer redraw;
    QObject::connect(&redraw, &QTimer::timeout, &dialog, [&] { dialog.setValue(done); });
    redraw.start(kRedrawMs);
    std::thread worker([&] {
        work([&](double share) {
            done = int(share * kSteps);
            return !cancelled;
        });
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

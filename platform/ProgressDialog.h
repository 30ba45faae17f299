#pragma once

#include <QString>
#include <functional>

class QProgressDialog;
class QWidget;

// Runs a long whole-database operation in a thread of its own while a dialog shows the share
// done and offers Cancel; the window behind it keeps repainting. The work is told of the
// Cancel through its progress callback, which then answers false.
class ProgressDialog {
public:
    using Progress = std::function<bool(double done)>;

    static void run(QWidget* parent, const QString& label,
                    const std::function<void(const Progress&)>& work);

    // Test seam: called once the dialog is up, before the work starts.
    static std::function<void(QProgressDialog&)> whenShown;
};

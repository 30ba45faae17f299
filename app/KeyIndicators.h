#pragma once

#include <QObject>

class QLabel;
class QStatusBar;
class QTimer;

// The CAP, NUM and SCRL panes of the status bar. On an X server they show the real states of
// the keyboard's locks; where the platform does not tell them, they stay dimmed.
class KeyIndicators : public QObject {
public:
    explicit KeyIndicators(QStatusBar* bar);

    void refresh();

private:
    QLabel* caps;
    QLabel* num;
    QLabel* scroll;
    QTimer* timer;
};

#include "app/KeyIndicators.h"

#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include <X11/XKBlib.h>
#include <optional>

namespace {

QLabel* pane(QStatusBar* bar, const char* text) {
    auto* label = new QLabel(text, bar);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance("SCRL") + 8);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setEnabled(false);
    bar->addPermanentWidget(label);
    return label;
}

// Bit 0 caps lock, bit 1 num lock, bit 2 scroll lock; nothing when there is no X server.
std::optional<unsigned> lockStates() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        return std::nullopt;
    unsigned states = 0;
    if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &states) != 0)
        return std::nullopt;
    return states;
}

} // namespace

KeyIndicators::KeyIndicators(QStatusBar* bar)
    : QObject(bar), caps(pane(bar, "CAP")), num(pane(bar, "NUM")), scroll(pane(bar, "SCRL")),
      timer(new QTimer(this)) {
    connect(timer, &QTimer::timeout, this, &KeyIndicators::refresh);
    if (lockStates()) {
        timer->start(250);
        refresh();
    }
}

void KeyIndicators::refresh() {
    const std::optional<unsigned> states = lockStates();
    if (!states)
        return;
    caps->setEnabled(*states & 1u);
    num->setEnabled(*states & 2u);
    scroll->setEnabled(*states & 4u);
}

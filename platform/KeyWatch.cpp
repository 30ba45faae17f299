#include "platform/KeyWatch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

KeyWatch::KeyWatch(QWidget* owner, bool& autoComplete)
    : QObject(owner), owner(owner), autoComplete(autoComplete) {
    qApp->installEventFilter(this);
}

bool KeyWatch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || (widget != owner && !owner->isAncestorOf(widget)))
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    autoComplete = key != Qt::Key_Delete && key != Qt::Key_Backspace;
    return false;
}

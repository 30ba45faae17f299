#pragma once

#include <QObject>

class QWidget;

// Watches every key pressed anywhere inside its owner, before the control gets it: the flag
// becomes false for Delete and Backspace and true for every other key. Completion reads it,
// so deleting never completes again and text pasted before any key press never completes.
class KeyWatch : public QObject {
public:
    KeyWatch(QWidget* owner, bool& autoComplete);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* owner;
    bool& autoComplete;
};

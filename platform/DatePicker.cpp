#include "platform/DatePicker.h"

#include <QKeyEvent>
#include <QLineEdit>

DatePicker::DatePicker(QWidget* parent) : QDateTimeEdit(QDateTime::currentDateTime(), parent) {
    setDisplayFormat("dd/MM/yyyy");
    setCalendarPopup(true);
    lineEdit()->installEventFilter(this);
}

// The date-time edit would spend Tab on its next section first.
bool DatePicker::focusNextPrevChild(bool next) {
    return QWidget::focusNextPrevChild(next);
}

void DatePicker::focusInEvent(QFocusEvent* event) {
    typed.clear();
    QDateTimeEdit::focusInEvent(event);
}

// The date-time edit would let "/" leave the field from its last part, and here, where Tab
// leaves at once, from every part.
void DatePicker::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool plain = !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
    const bool digit = plain && text.size() == 1 && text[0].isDigit();
    if (plain && (text == "/" || digit)) {
        if (typed.isEmpty()) {
            firstPart = currentSectionIndex();
            before = dateTime();
        }
        typed += text;
        if (digit) {
            typeDigit(text[0]);
        } else if (firstPart + typed.count(u'/') >= sectionCount()) {
            // Slashes past the year: a whole date, begun in a later part.
            retypeFromDay();
        } else {
            endPart();
        }
        event->accept();
        return;
    }
    typed.clear();
    QDateTimeEdit::keyPressEvent(event);
}

void DatePicker::typeDigit(QChar digit) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_0 + digit.digitValue(), Qt::NoModifier,
                    QString(digit));
    QDateTimeEdit::keyPressEvent(&press);
}

// A part typed full has already moved typing on to the next, which waits wholly selected:
// "/" then stays there, so "17/05/1980" and "17051980" give the same date.
void DatePicker::endPart() {
    const int part = currentSectionIndex();
    const bool waiting = lineEdit()->selectedText() == sectionText(currentSection());
    if (!waiting && part + 1 < sectionCount())
        setCurrentSectionIndex(part + 1);
    setSelectedSection(currentSection());
}

// The date the field held comes back, and what was typed goes in again from the day.
void DatePicker::retypeFromDay() {
    setDateTime(before);
    setCurrentSectionIndex(0);
    setSelectedSection(currentSection());
    firstPart = 0;
    for (const QChar key : typed) {
        if (key == u'/')
            endPart();
        else
            typeDigit(key);
    }
}

// A click leaves the text cursor inside a part, where typing would be refused; the whole part
// is selected instead, as Tab selects the first.
bool DatePicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease) {
        typed.clear();
        if (!lineEdit()->hasSelectedText())
            setSelectedSection(currentSection());
    }
    return QDateTimeEdit::eventFilter(watched, event);
}

#include "platform/DatePicker.h"

DatePicker::DatePicker(QWidget* parent) : QDateTimeEdit(QDateTime::currentDateTime(), parent) {
    setDisplayFormat("dd/MM/yyyy");
    setCalendarPopup(true);
}

// The date-time edit would spend Tab on its next section first.
bool DatePicker::focusNextPrevChild(bool next) {
    return QWidget::focusNextPrevChild(next);
}

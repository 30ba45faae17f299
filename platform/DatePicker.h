#pragma once

#include <QDateTimeEdit>

// A date field with a drop-down calendar. The arrow keys and typing move between its day,
// month and year; Tab and Shift+Tab leave it at once, as they leave any other field.
class DatePicker : public QDateTimeEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent);

protected:
    bool focusNextPrevChild(bool next) override;
};

#pragma once

#include <QDateTimeEdit>

// A date field with a drop-down calendar. The arrow keys and typing move between its day,
// month and year; Tab and Shift+Tab leave it at once, as they leave any other field. A click
// on a part selects the whole part, so what is typed next takes its place, and "/" moves on
// to the next part without ever leaving the field. A whole date typed after a click on the
// month or the year is still read from its day.
class DatePicker : public QDateTimeEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent);

protected:
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void typeDigit(QChar digit);
    void endPart();
    void retypeFromDay();

    // What was typed since the last click, focus or other key: digits and slashes, begun in
    // firstPart over the date the field held then.
    QString typed;
    int firstPart = 0;
    QDateTime before;
};

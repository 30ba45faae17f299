#pragma once

#include <QValidator>

class QLineEdit;

// What a single-line field accepts, whether typed, pasted, dropped or shown by the program:
// no control characters, digits only or capitals only when asked, no more characters than
// its limit, and no more text than the field shows when it does not scroll sideways.
class FieldValidator : public QValidator {
    Q_OBJECT
public:
    FieldValidator(QLineEdit* edit, bool digitsOnly, bool upperCase, bool fitWidth);

    // The validator of a field made by the form builder.
    static FieldValidator* of(const QLineEdit* edit);

    // 0: no limit.
    void setMaxChars(int limit) { charLimit = limit; }
    int maxChars() const { return charLimit; }

    State validate(QString& input, int& pos) const override;

private:
    void keepWithinLimit(QString& input, int& pos) const;
    bool fitsVisibleWidth(const QString& text) const;

    QLineEdit* edit;
    bool digitsOnly;
    bool upperCase;
    bool fitWidth;
    int charLimit = 0;
    QString shown; // the field's text before the edit being validated
};

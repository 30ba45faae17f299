#pragma once

#include <QValidator>

class QLineEdit;

// What a single-line field accepts while the user types: digits only, capitals only, and
// no more text than the field shows when it does not scroll sideways.
class FieldValidator : public QValidator {
public:
    FieldValidator(QLineEdit* edit, bool digitsOnly, bool upperCase, bool fitWidth);

    State validate(QString& input, int& pos) const override;

private:
    bool fitsVisibleWidth(const QString& text) const;

    QLineEdit* edit;
    bool digitsOnly;
    bool upperCase;
    bool fitWidth;
};

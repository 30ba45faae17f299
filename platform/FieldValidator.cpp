#include "platform/FieldValidator.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

FieldValidator::FieldValidator(QLineEdit* edit, bool digitsOnly, bool upperCase, bool fitWidth)
    : QValidator(edit), edit(edit), digitsOnly(digitsOnly), upperCase(upperCase),
      fitWidth(fitWidth) {}

QValidator::State FieldValidator::validate(QString& input, int&) const {
    if (upperCase)
        input = input.toUpper();
    if (digitsOnly) {
        for (QChar c : input)
            if (c < u'0' || c > u'9')
                return Invalid;
    }
    if (fitWidth && !fitsVisibleWidth(input))
        return Invalid;
    return Acceptable;
}

bool FieldValidator::fitsVisibleWidth(const QString& text) const {
    QStyleOptionFrame option;
    option.initFrom(edit);
    const QRect inner = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const QMargins margins = edit->textMargins();
    const int room = inner.width() - margins.left() - margins.right() - 4;
    return edit->fontMetrics().horizontalAdvance(text) <= room;
}

#include "platform/FieldValidator.h"

#include "platform/FieldText.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

FieldValidator::FieldValidator(QLineEdit* edit, bool digitsOnly, bool upperCase, bool fitWidth)
    : QValidator(edit), edit(edit), digitsOnly(digitsOnly), upperCase(upperCase),
      fitWidth(fitWidth), shown(edit->text()) {
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { shown = text; });
}

FieldValidator* FieldValidator::of(const QLineEdit* edit) {
    return edit->findChild<FieldValidator*>(QString(), Qt::FindDirectChildrenOnly);
}

QValidator::State FieldValidator::validate(QString& input, int& pos) const {
    const QString arriving = input;
    const QString before = FieldText::singleLine(input.left(pos));
    input = before + FieldText::singleLine(input.mid(pos));
    pos = int(before.size());
    if (upperCase)
        input = input.toUpper();
    if (digitsOnly) {
        for (QChar c : input)
            if (c < u'0' || c > u'9')
                return Invalid;
    }
    keepWithinLimit(input, pos);
    if (fitWidth && !fitsVisibleWidth(input))
        return Invalid;
    // The user's edit of which nothing is kept is refused, so the field neither reports a
    // change nor forgets its undo steps; a text the program shows is always put right.
    if (edit->isModified() && input != arriving && input == shown)
        return Invalid;
    return Acceptable;
}

// The characters that do not fit are dropped from just before the caret, where an insertion
// ends; a text shown by the program loses its end.
void FieldValidator::keepWithinLimit(QString& input, int& pos) const {
    if (charLimit <= 0 || FieldText::length(input) <= charLimit)
        return;
    const QString after = FieldText::cut(input.mid(pos), charLimit);
    const QString before =
        FieldText::cut(input.left(pos), std::max(0, charLimit - FieldText::length(after)));
    input = before + after;
    pos = int(before.size());
}

bool FieldValidator::fitsVisibleWidth(const QString& text) const {
    QStyleOptionFrame option;
    option.initFrom(edit);
    const QRect inner = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const QMargins margins = edit->textMargins();
    const int room = inner.width() - margins.left() - margins.right() - 4;
    return edit->fontMetrics().horizontalAdvance(text) <= room;
}

#include "platform/MultiLineEdit.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

MultiLineEdit::MultiLineEdit(QWidget* parent, bool wantReturn)
    : QPlainTextEdit(parent), wantReturn(wantReturn) {
    setTabChangesFocus(true);
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { trimOverflow(position, added); });
}

void MultiLineEdit::setMaxLength(int limit) {
    maxChars = limit;
}

void MultiLineEdit::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !wantReturn) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

// The document counts a line break as one character, as the stored text does.
void MultiLineEdit::trimOverflow(int position, int added) {
    if (maxChars <= 0 || added <= 0)
        return;
    const int length = document()->characterCount() - 1;
    const int excess = length - maxChars;
    if (excess <= 0)
        return;
    QTextCursor cursor(document());
    cursor.setPosition(position + added);
    cursor.setPosition(position + added - std::min(excess, added), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

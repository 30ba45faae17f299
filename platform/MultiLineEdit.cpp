#include "platform/MultiLineEdit.h"

#include "platform/FieldText.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

MultiLineEdit::MultiLineEdit(QWidget* parent, bool wantReturn)
    : QPlainTextEdit(parent), wantReturn(wantReturn) {
    setTabChangesFocus(true);
    // A box two lines high shows both lines whole, as a multi-line edit control does.
    document()->setDocumentMargin(2);
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { keepToRules(position, added); });
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

bool MultiLineEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText();
}

// Qt's own insertion (Qt 6.4 on X11) crashes when the program that filled the clipboard has
// exited since; the plain text alone is read safely, and it is all a field holds anyway.
void MultiLineEdit::insertFromMimeData(const QMimeData* source) {
    insertPlainText(source->text());
}

// Runs on every change of the text. The document counts a line break as one character, as the
// stored text does; what does not fit is dropped from the end of what came in.
void MultiLineEdit::keepToRules(int position, int added) {
    if (added <= 0)
        return;
    QTextCursor arrived(document());
    arrived.setPosition(position);
    arrived.setPosition(std::min(position + added, document()->characterCount() - 1),
                        QTextCursor::KeepAnchor);
    const QString text = arrived.selectedText();
    QString kept = FieldText::multiLine(text);
    if (maxChars > 0) {
        const int others = FieldText::length(document()->toPlainText()) - FieldText::length(text);
        kept = FieldText::cut(kept, std::max(0, maxChars - others));
    }
    // The replacement comes back here already within the rules.
    if (kept != text)
        arrived.insertText(kept);
}

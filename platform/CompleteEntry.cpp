#include "platform/CompleteEntry.h"

#include "platform/ComboBox.h"

#include <QLineEdit>
#include <QSignalBlocker>

std::optional<int> CompleteEntry(ComboBox* box, bool autoComplete) {
    if (!autoComplete)
        return std::nullopt;
    QLineEdit* edit = box->lineEdit();
    const QString typed = edit->text();
    const int length = int(typed.size());
    const bool hasSelection = edit->hasSelectedText();
    const int selStart = hasSelection ? edit->selectionStart() : edit->cursorPosition();
    const int selEnd = hasSelection ? selStart + int(edit->selectedText().size()) : selStart;

    const int match = box->findPrefix(typed);
    if (match >= 0) {
        box->setCurrentIndex(match);
    } else {
        box->setCurrentIndex(-1);
        edit->setText(typed);
    }
    // Editing inside the text keeps the caret where it was; at the end, the tail is selected.
    if (selEnd < length)
        edit->setSelection(selStart, selEnd - selStart);
    else
        edit->setSelection(length, int(edit->text().size()) - length);
    return match;
}

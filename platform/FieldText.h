#pragma once

#include <QString>
#include <QStringView>

// What a text field may hold. Single-line fields hold no control characters; multi-line
// fields keep their line breaks and tabs. Limits count characters (code points), and a text
// cut to its limit ends between two whole characters as the user sees them, so a surrogate
// pair or an emoji with its modifier is kept or dropped whole.
class FieldText {
public:
    // Every character below U+0020, and U+007F, dropped.
    static QString singleLine(const QString& text);
    // CR LF and a lone CR become one line break; line breaks and tabs are kept, every other
    // control character is dropped.
    static QString multiLine(const QString& text);

    // Characters in text; a stray half of a surrogate pair counts as one.
    static int length(QStringView text);
    // The longest start of text that holds at most maxChars characters and does not end inside
    // one that is shown as a single character.
    static QString cut(const QString& text, int maxChars);
};

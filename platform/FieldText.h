#pragma once

#include <QString>
#include <QStringView>

// What a text field may hold. Single-line fields hold no control characters; multi-line
// fields keep their line breaks and tabs. Limits count characters as Qt's texts hold them, a
// character beyond the basic plane (an emoji) as two, and a text cut to its limit ends between
// two whole characters as the user sees them: an emoji, with its modifier, is kept or dropped
// whole. So 49 letters and an emoji do not fit 50 characters, and the emoji goes.
class FieldText {
public:
    // Every character below U+0020, and U+007F, dropped.
    static QString singleLine(const QString& text);
    // CR LF and a lone CR become one line break; line breaks and tabs are kept, every other
    // control character is dropped.
    static QString multiLine(const QString& text);

    // Characters in text as limits count them.
    static int length(QStringView text);
    // The longest start of text that holds at most maxChars characters and does not end inside
    // one that is shown as a single character.
    static QString cut(const QString& text, int maxChars);
};

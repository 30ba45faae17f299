#include "platform/FieldText.h"

#include <QTextBoundaryFinder>

namespace {

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

bool startsPair(QStringView text, qsizetype i) {
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
}

// The position in UTF-16 units just after the first count characters.
qsizetype endOfChars(QStringView text, int count) {
    qsizetype i = 0;
    for (int n = 0; n < count && i < text.size(); ++n)
        i += startsPair(text, i) ? 2 : 1;
    return i;
}

} // namespace

QString FieldText::singleLine(const QString& text) {
    QString kept;
    kept.reserve(text.size());
    for (QChar c : text)
        if (!isControl(c))
            kept += c;
    return kept;
}

QString FieldText::multiLine(const QString& text) {
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            kept += u'\n';
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n' || c == u'\t' || !isControl(c)) {
            kept += c;
        }
    }
    return kept;
}

int FieldText::length(QStringView text) {
    int count = 0;
    for (qsizetype i = 0; i < text.size(); i += startsPair(text, i) ? 2 : 1)
        ++count;
    return count;
}

QString FieldText::cut(const QString& text, int maxChars) {
    qsizetype end = endOfChars(text, maxChars);
    if (end >= text.size())
        return text;
    QTextBoundaryFinder shown(QTextBoundaryFinder::Grapheme, text);
    shown.setPosition(end);
    if (!shown.isAtBoundary())
        end = std::max<qsizetype>(shown.toPreviousBoundary(), 0);
    return text.left(end);
}

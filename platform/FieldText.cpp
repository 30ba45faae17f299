#include "platform/FieldText.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace {

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
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
    return int(text.size());
}

QString FieldText::cut(const QString& text, int maxChars) {
    qsizetype end = std::clamp<qsizetype>(maxChars, 0, text.size());
    if (end >= text.size())
        return text;
    QTextBoundaryFinder shown(QTextBoundaryFinder::Grapheme, text);
    shown.setPosition(end);
    if (!shown.isAtBoundary())
        end = std::max<qsizetype>(shown.toPreviousBoundary(), 0);
    return text.left(end);
}

#include "prescription/LineBreaker.h"

#include "platform/PrintDevice.h"

#include <QTextBoundaryFinder>

namespace {

QStringList paragraphsOf(const std::string& text) {
    return QString::fromStdString(text).remove(u'\r').split(u'\n');
}

// Blanks where a row is broken are not drawn, nor measured.
QString withoutTrailingBlanks(QString line) {
    while (line.endsWith(u' '))
        line.chop(1);
    return line;
}

} // namespace

LineBreaker::LineBreaker(const PrintDevice& device, PrintFont font, int width)
    : device(device), font(font), width(width) {}

RowBlock LineBreaker::rows(const std::string& label, const std::string& text) const {
    const int indent = device.textWidth(label, font);
    QString lead = QString::fromStdString(label);
    RowBlock rows;
    for (const QString& paragraph : paragraphsOf(text)) {
        for (const QString& line : lines(lead, paragraph, width - indent))
            rows.push_back({rows.empty() ? 0 : indent, line.toStdString()});
        lead.clear();
    }
    return rows;
}

// The rows of one paragraph: the first begins with lead and may be as wide as the body, the
// others are room wide.
QStringList LineBreaker::lines(const QString& lead, const QString& paragraph, int room) const {
    QStringList lines;
    QString head = lead;
    int start = 0;
    do {
        const int space = head.isEmpty() ? room : width;
        // Rows after the label's are no wider than what the label leaves, so a word too wide
        // for the label's row is too wide for any and is broken there.
        int end = lastWordEndThatFits(paragraph, start, head, space);
        if (end == start)
            end = lastLetterThatFits(paragraph, start, head, space);
        const QString piece = paragraph.mid(start, end - start);
        lines << head + (end < paragraph.size() ? withoutTrailingBlanks(piece) : piece);
        head.clear();
        start = end;
    } while (start < paragraph.size());
    return lines;
}

// Where the longest run of whole words from start that fits after lead ends; start when not
// even the first word fits.
int LineBreaker::lastWordEndThatFits(const QString& paragraph, int start, const QString& lead,
                                     int room) const {
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, paragraph);
    breaks.setPosition(start);
    int end = start;
    for (int at = breaks.toNextBoundary(); at != -1; at = breaks.toNextBoundary()) {
        if (!fits(lead + withoutTrailingBlanks(paragraph.mid(start, at - start)), room))
            break;
        end = at;
    }
    return end;
}

// Where the longest run of letters from start that fits after lead ends; at least one letter
// goes on every row, so that a row too narrow for any still makes way.
int LineBreaker::lastLetterThatFits(const QString& paragraph, int start, const QString& lead,
                                    int room) const {
    QTextBoundaryFinder letters(QTextBoundaryFinder::Grapheme, paragraph);
    letters.setPosition(start);
    int end = letters.toNextBoundary();
    if (end == -1)
        return start;
    for (int at = letters.toNextBoundary(); at != -1; at = letters.toNextBoundary()) {
        if (!fits(lead + paragraph.mid(start, at - start), room))
            break;
        end = at;
    }
    return end;
}

bool LineBreaker::fits(const QString& line, int room) const {
    return device.textWidth(line.toStdString(), font) <= room;
}

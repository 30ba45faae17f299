#pragma once

#include "platform/PrintFont.h"
#include "prescription/PrintRow.h"

#include <QString>
#include <QStringList>

class PrintDevice;

// Breaks texts into rows no wider than a printout's body, measured in the device's own font
// metrics. Rows end between words; a word wider than a whole row is broken between letters.
class LineBreaker {
public:
    LineBreaker(const PrintDevice& device, PrintFont font, int width);

    // The label followed by the text. Each line of the text starts a row, and the rows after
    // the first stand under the text, clear of the label.
    RowBlock rows(const std::string& label, const std::string& text) const;

private:
    QStringList lines(const QString& lead, const QString& paragraph, int room) const;
    int lastWordEndThatFits(const QString& paragraph, int start, const QString& lead,
                            int room) const;
    int lastLetterThatFits(const QString& paragraph, int start, const QString& lead,
                           int room) const;
    bool fits(const QString& line, int room) const;

    const PrintDevice& device;
    PrintFont font;
    int width;
};

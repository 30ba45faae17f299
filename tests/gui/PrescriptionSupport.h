#pragma once

// Steps shared by the prescription and clinic screen tests: the records database changed
// behind the program's back, a prescription filled in as the user would, and PDF printouts
// read back as text.

#include "GuiSession.h"

#include "app/Screens.h"
#include "platform/ComboBox.h"
#include "prescription/IssuPrescription.h"
#include "res/resource.h"

#include <QLineEdit>
#include <QMarginsF>
#include <QPrinter>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>

namespace rx {

// Runs SQL on the session's records, as another program would.
inline bool runSql(const char* sql) {
    return TestRecords::current().run(sql);
}

inline IssuPrescription* openPrescription(GuiSession& s) {
    GuiSession::click(*s.activeView(), IDC_MAIN_PRESCRIPTION);
    return s.active<IssuPrescription>();
}

// Types the patient's particulars and adds each drug line with the button.
inline void fillPrescription(IssuPrescription& view, const QString& name, const QString& age,
                             const QString& diagnosis, const QStringList& drugs) {
    GuiSession::type(view, IDC_RX_PATIENT_NAME, name);
    GuiSession::type(view, IDC_RX_AGE, age);
    GuiSession::type(view, IDC_RX_DIAGNOSIS, diagnosis);
    for (const QString& drug : drugs) {
        GuiSession::type(view, IDC_RX_DRUG, drug);
        GuiSession::click(view, IDC_RX_ADD_TO_LIST);
    }
}

// What a test answers the print dialog with: a PDF file at 600 pixels per inch.
inline std::function<bool(QPrinter&)> toPdf(const QString& file) {
    return [file](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setResolution(600);
        return true;
    };
}

// The printout as pdftotext lays it out; pages are separated by form feeds. Ligatures the font
// drew ("ﬀ" in "effusion") are read back as their letters.
inline QString pdfText(const QString& file) {
    QProcess tool;
    tool.start("pdftotext", {"-layout", file, "-"});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return QString();
    return QString::fromUtf8(tool.readAllStandardOutput())
        .normalized(QString::NormalizationForm_KC);
}

inline int pageCount(const QString& text) {
    return int(text.count(u'\f'));
}

// The trimmed, non-empty lines of a printout, in order.
inline QStringList lines(const QString& text) {
    QStringList kept;
    for (const QString& line : text.split(QRegularExpression("[\n\f]")))
        if (!line.trimmed().isEmpty())
            kept << line.trimmed().simplified();
    return kept;
}

// A word of a PDF file where pdftotext finds it, in points from the top-left corner of its
// sheet of paper, with the sheet's number from 1 and its size.
struct PdfWord {
    QString text;
    QRectF box;
    int page = 0;
    QSizeF paper = {};
};

inline QList<PdfWord> pdfWords(const QString& file) {
    QProcess tool;
    tool.start("pdftotext", {"-bbox", file, "-"});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return {};
    const QRegularExpression item(R"re(<page width="([\d.]+)" height="([\d.]+)">|)re"
                                  R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" )re"
                                  R"re(xMax="([\d.]+)" yMax="([\d.]+)">(.*)</word>)re");
    QList<PdfWord> words;
    int page = 0;
    QSizeF paper;
    for (const QRegularExpressionMatch& m :
         item.globalMatch(QString::fromUtf8(tool.readAllStandardOutput()))) {
        if (m.hasCaptured(1)) {
            ++page;
            paper = QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
            continue;
        }
        const QPointF topLeft(m.captured(3).toDouble(), m.captured(4).toDouble());
        const QPointF bottomRight(m.captured(5).toDouble(), m.captured(6).toDouble());
        words.append({m.captured(7), QRectF(topLeft, bottomRight), page, paper});
    }
    return words;
}

// The least distance of the words on the given sheets from each edge of their paper, in
// millimetres: left, top, right, bottom.
inline QMarginsF pdfMargins(const QList<PdfWord>& words, int firstPage = 1) {
    constexpr double kPointsPerMillimetre = 72 / 25.4;
    QMarginsF least(1e9, 1e9, 1e9, 1e9);
    for (const PdfWord& word : words) {
        if (word.page < firstPage)
            continue;
        least.setLeft(std::min(least.left(), word.box.left()));
        least.setTop(std::min(least.top(), word.box.top()));
        least.setRight(std::min(least.right(), word.paper.width() - word.box.right()));
        least.setBottom(std::min(least.bottom(), word.paper.height() - word.box.bottom()));
    }
    return least / kPointsPerMillimetre;
}

} // namespace rx

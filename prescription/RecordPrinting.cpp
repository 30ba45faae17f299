#include "prescription/RecordPrinting.h"

#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/PrintDialog.h"
#include "platform/QPrinterDevice.h"
#include "prescription/RecordPrintout.h"
#include "screens/StoreFailure.h"
#include "store/store.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryFile>
#include <cstdio>

namespace {

// Fonts are sized in printer pixels; a PDF file has none of its own, so it gets these.
constexpr int kPdfResolution = 600;

// The printout of the patient's record as stored now, or nothing after telling the user why.
std::optional<RecordPrintout> printoutOf(QWidget* parent, const std::string& patientId) {
    std::optional<RecordContents> contents = RecordContents::fetch(patientId);
    if (!contents) {
        StoreFailure::show(parent, "Error fetching patient information");
        return std::nullopt;
    }
    ClinicInfo clinic;
    if (!clinic.Fetch()) {
        StoreFailure::show(parent, "Error fetching clinic information");
        return std::nullopt;
    }
    std::optional<ClinicInfo> header;
    if (clinic.m_setStatus != 0)
        header = clinic;
    return RecordPrintout(std::move(*contents), std::move(header));
}

void printOn(QPrinter& printer, const RecordPrintout& printout) {
    if (printer.outputFormat() == QPrinter::PdfFormat || printer.resolution() > kPdfResolution)
        printer.setResolution(kPdfResolution);
    QPrinterDevice device(printer);
    printout.print(device);
}

// Written beside the chosen file, readable by its owner only from the first byte, and put in
// its place whole once the printout is complete.
bool writePdf(const RecordPrintout& printout, const QString& path) {
    QTemporaryFile part(path + ".part-XXXXXX");
    if (!part.open())
        return false;
    part.close();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(part.fileName());
    printOn(printer, printout);
    if (printer.printerState() == QPrinter::Error || QFileInfo(part.fileName()).size() == 0)
        return false;
    if (std::rename(QFile::encodeName(part.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0)
        return false;
    part.setAutoRemove(false);
    return true;
}

} // namespace

void RecordPrinting::print(QWidget* parent, const std::string& patientId) {
    const std::optional<RecordPrintout> printout = printoutOf(parent, patientId);
    if (!printout)
        return;
    QPrinter printer(QPrinter::HighResolution);
    if (PrintDialog::run(parent, printer))
        printOn(printer, *printout);
}

void RecordPrinting::preview(QWidget* parent, const std::string& patientId) {
    const std::optional<RecordPrintout> printout = printoutOf(parent, patientId);
    if (!printout)
        return;
    QPrinter printer(QPrinter::HighResolution);
    PrintDialog::preview(parent, printer, [&](QPrinter& pages) { printOn(pages, *printout); });
}

void RecordPrinting::exportPdf(QWidget* parent, const std::string& patientId) {
    const std::optional<RecordPrintout> printout = printoutOf(parent, patientId);
    if (!printout)
        return;
    const PatientDetails& details = printout->details();
    const std::optional<std::string> chosen = FileDialog::choose(
        parent, {FileRequest::Save, "pdf", "PDF Files (*.pdf)",
                 suggestedFileName(details.m_firstName, details.m_lastName)});
    if (!chosen)
        return;
    const QString path = QString::fromStdString(*chosen);
    if (!writePdf(*printout, path)) {
        MessageBox(parent, "Error exporting the record to " + *chosen, "Error", MsgIcon::Stop);
        return;
    }
    MessageBox(parent, "The record was exported to " + *chosen + ".", "Confirmation",
               MsgIcon::Information);
}

std::string RecordPrinting::suggestedFileName(const std::string& firstName,
                                              const std::string& lastName) {
    QString name = QString::fromStdString(lastName + "_" + firstName + "_record.pdf");
    for (QChar& c : name)
        if (c == u'/' || c == u'\\' || c == u':' || c.isSpace() || c.category() == QChar::Other_Control)
            c = u'_';
    return name.toStdString();
}

#include "prescription/PrintJob.h"

#include "platform/MessageBox.h"
#include "platform/QPrinterDevice.h"
#include "records/PendingFile.h"

#include <QBuffer>
#include <QFile>
#include <QPdfWriter>
#include <QPrinter>

#include <cerrno>
#include <cstring>

namespace {

std::string reason(int error) {
    if (error == ENOSPC || error == EDQUOT || error == EFBIG)
        return "The disk is full";
    // A folder shut even to root (immutable, say) refuses with EPERM; to the user it is the
    // same refusal as EACCES.
    if (error == EPERM)
        return "Permission denied";
    return std::strerror(error);
}

} // namespace

std::optional<std::string> PrintJob::print(QPrinter& printer,
                                           const std::function<void(PrintDevice&)>& draw) {
    const QString file = printer.outputFileName();
    if (printer.outputFormat() != QPrinter::PdfFormat || file.isEmpty()) {
        QPrinterDevice device(printer);
        draw(device);
        return std::nullopt;
    }
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageLayout(printer.pageLayout());
        writer.setResolution(printer.resolution());
        writer.setPdfVersion(printer.pdfVersion());
        writer.setCreator(printer.creator());
        QPrinterDevice device(writer);
        draw(device);
    }
    return writeFile(QFile::encodeName(file).toStdString(), pdf.data());
}

std::optional<std::string> PrintJob::writeFile(const std::string& path, const QByteArray& data) {
    if (const int error = PendingFile::writeWhole(path, data.constData(), size_t(data.size())))
        return reason(error);
    return std::nullopt;
}

bool PrintJob::printOrTell(QWidget* parent, QPrinter& printer,
                           const std::function<void(PrintDevice&)>& draw,
                           const std::string& notDone) {
    // The page's fonts and emblem are sized in printer pixels for an office printer. A PDF
    // file has no pixels of its own, and on a finer printer the title would print smaller
    // than the text, so both get the pixels of the printer the page was drawn for.
    constexpr int kPdfResolution = 600;
    if (printer.outputFormat() == QPrinter::PdfFormat || printer.resolution() > kPdfResolution)
        printer.setResolution(kPdfResolution);
    const auto failure = print(printer, draw);
    if (failure)
        MessageBox(parent,
                   *failure + ". " + notDone + " " + printer.outputFileName().toStdString() +
                       "; any earlier file of that name is as it was.",
                   "Error", MsgIcon::Stop);
    return !failure;
}

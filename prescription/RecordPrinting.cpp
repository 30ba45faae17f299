#include "prescription/RecordPrinting.h"

#include "exchange/FhirExport.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/PrintDialog.h"
#include "prescription/Letterhead.h"
#include "prescription/PrintJob.h"
#include "prescription/RecordPrintout.h"
#include "screens/AccessNote.h"
#include "screens/StoreFailure.h"
#include "store/store.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QSettings>
#include <QStandardPaths>

namespace {

const char* kExportFolder = "Export/Folder";

// The export starts where the last one went, else in the user's documents or home: never in
// the program's current folder, which holds the records.
QString exportFolder() {
    const QString last = QSettings().value(kExportFolder).toString();
    if (!last.isEmpty() && QDir(last).exists())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

const char* const kExportFilter = "PDF Files (*.pdf);;FHIR record (*.json)";

// The patient's record as stored now, or nothing after telling the user why.
std::optional<WholeRecord> recordOf(QWidget* parent, const std::string& patientId) {
    WholeRecord record;
    if (record.Fetch(patientId))
        return record;
    StoreFailure::show(parent, "Error fetching patient information");
    return std::nullopt;
}

// The printout of the record, or nothing after telling the user why.
std::optional<RecordPrintout> printoutOf(QWidget* parent, WholeRecord record) {
    std::optional<ClinicInfo> header;
    if (!Letterhead::fetch(parent, header))
        return std::nullopt;
    return RecordPrintout(RecordContents::of(std::move(record)), std::move(header));
}

std::optional<RecordPrintout> printoutOf(QWidget* parent, const std::string& patientId) {
    std::optional<WholeRecord> record = recordOf(parent, patientId);
    if (!record)
        return std::nullopt;
    return printoutOf(parent, std::move(*record));
}

// A PDF file is written whole or not at all (see PrintJob); false after telling the user
// what went wrong with it.
bool printOn(QWidget* parent, QPrinter& printer, const RecordPrintout& printout,
             const std::string& what) {
    return PrintJob::printOrTell(
        parent, printer, [&printout](PrintDevice& device) { printout.print(device); },
        "The record was not " + what);
}

} // namespace

void RecordPrinting::print(QWidget* parent, const std::string& patientId) {
    const std::optional<RecordPrintout> printout = printoutOf(parent, patientId);
    if (!printout)
        return;
    QPrinter printer(QPrinter::HighResolution);
    if (PrintDialog::run(parent, printer) && printOn(parent, printer, *printout, "printed to"))
        AccessNote::enterOf(parent, Access::Print, "patient_info", patientId, patientId,
                            {{"what", "record"}});
}

void RecordPrinting::preview(QWidget* parent, const std::string& patientId) {
    const std::optional<RecordPrintout> printout = printoutOf(parent, patientId);
    if (!printout)
        return;
    QPrinter printer(QPrinter::HighResolution);
    // The preview's own Print button draws the pages here again, into a PDF file too.
    AccessNote::enterOf(parent, Access::Preview, "patient_info", patientId, patientId,
                        {{"what", "record"}});
    PrintDialog::preview(parent, printer, [&](QPrinter& pages) {
        if (printOn(parent, pages, *printout, "printed to"))
            AccessNote::enterOf(parent, Access::Print, "patient_info", patientId, patientId,
                                {{"what", "record"}});
    });
}

namespace {

bool isFhirFile(const std::string& name) {
    const QString suffix = QFileInfo(QString::fromStdString(name)).suffix();
    return suffix.compare("json", Qt::CaseInsensitive) == 0;
}

// The record as one FHIR Bundle; false after telling the user why it was not written.
bool exportFhir(QWidget* parent, const WholeRecord& record, const std::string& file) {
    const std::optional<FileFailure> failure = FhirExport::writeRecord(record, file);
    if (failure)
        MessageBox(parent,
                   failure->describe() + " The record was not exported to " + file +
                       "; any earlier file of that name is as it was.",
                   "Error", MsgIcon::Stop);
    return !failure;
}

bool exportPdf(QWidget* parent, WholeRecord record, const std::string& file) {
    const std::optional<RecordPrintout> printout = printoutOf(parent, std::move(record));
    if (!printout)
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(file));
    return printOn(parent, printer, *printout, "exported to");
}

} // namespace

void RecordPrinting::exportRecord(QWidget* parent, const std::string& patientId) {
    std::optional<WholeRecord> record = recordOf(parent, patientId);
    if (!record)
        return;
    const PatientDetails& details = record->m_details;
    const std::string offered =
        offeredPath(suggestedFileName(details.m_firstName, details.m_lastName));
    const std::optional<std::string> chosen =
        FileDialog::choose(parent, {FileRequest::Save, "pdf", kExportFilter, offered});
    if (!chosen)
        return;
    const bool done = isFhirFile(*chosen) ? exportFhir(parent, *record, *chosen)
                                          : exportPdf(parent, std::move(*record), *chosen);
    if (!done)
        return;
    AccessNote::enterOf(parent, Access::Export, "patient_info", patientId, patientId,
                        {{"what", isFhirFile(*chosen) ? "FHIR record" : "PDF record"},
                         {"file", *chosen}});
    rememberFolder(*chosen);
    MessageBox(parent, "The record was exported to " + *chosen + ".", "Confirmation",
               MsgIcon::Information);
}

std::string RecordPrinting::suggestedFileName(const std::string& firstName,
                                              const std::string& lastName) {
    return safeFileName(lastName + "_" + firstName + "_record.pdf");
}

std::string RecordPrinting::offeredPath(const std::string& fileName) {
    return QDir(exportFolder()).filePath(QString::fromStdString(fileName)).toStdString();
}

void RecordPrinting::rememberFolder(const std::string& path) {
    QSettings().setValue(kExportFolder, QFileInfo(QString::fromStdString(path)).absolutePath());
}

std::string RecordPrinting::safeFileName(const std::string& fileName) {
    QString name = QString::fromStdString(fileName);
    for (QChar& c : name)
        if (c == u'/' || c == u'\\' || c == u':' || c.isSpace() || c.category() == QChar::Other_Control)
            c = u'_';
    return name.toStdString();
}

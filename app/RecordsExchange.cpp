#include "app/RecordsExchange.h"

#include "app/Screens.h"
#include "exchange/FhirBulkExport.h"
#include "exchange/FhirImport.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "screens/AccessNote.h"
#include "platform/ProgressDialog.h"

#include <algorithm>
#include <filesystem>

namespace {

std::string writtenList(const std::vector<FhirBulkExport::Written>& written) {
    std::string text;
    for (const FhirBulkExport::Written& type : written)
        text += "\n" + type.type + ": " + std::to_string(type.resources);
    return text;
}

// The report of an import, its notes cut short when there are many.
std::string importReport(const FhirImport::Report& report) {
    constexpr size_t kShownNotes = 15;
    FhirImport::Report shown = report;
    shown.notes.resize(std::min(report.notes.size(), kShownNotes));
    std::string text = "The records are imported.\n\n" + shown.describe();
    if (report.notes.size() > kShownNotes)
        text += "\u2026 and " + std::to_string(report.notes.size() - kShownNotes) + " more notes\n";
    return text;
}

// A Bulk Data export is a folder of NDJSON files: choosing any of them brings in the folder.
std::string importedPath(const std::string& chosen) {
    const std::filesystem::path path(chosen);
    return path.extension() == ".ndjson" ? path.parent_path().string() : chosen;
}

} // namespace

void RecordsExchange::exportAll(QWidget* parent) {
    const auto folder = FileDialog::choose(parent, {FileRequest::Folder, "", "", ""});
    if (!folder)
        return;
    std::optional<FileFailure> failure;
    std::vector<FhirBulkExport::Written> written;
    ProgressDialog::run(parent, "Exporting every record…", [&](const Progress& progress) {
        failure = FhirBulkExport::writeClinic(*folder, &written, progress);
    });
    if (failure && failure->kind == FileFailure::Cancelled)
        return;
    if (failure) {
        MessageBox(parent, failure->describe(), kAppTitle, MsgIcon::Stop);
        return;
    }
    AccessNote::enter(parent, {Access::Export, "", "", std::nullopt,
                               {{"what", "every record"}, {"folder", *folder}}});
    MessageBox(parent,
               "Every record is exported to " + *folder +
                   " as FHIR, one file for each kind of resource:\n" + writtenList(written),
               "Confirmation", MsgIcon::Information);
}

void RecordsExchange::importRecords(QWidget* parent) {
    const auto chosen = FileDialog::choose(
        parent, {FileRequest::Open, "json",
                 "FHIR Bundle, or any file of a Bulk Data folder (*.json *.ndjson)", ""});
    if (!chosen)
        return;
    FhirImport::Outcome outcome;
    ProgressDialog::run(parent, "Importing the records…", [&](const Progress& progress) {
        // The input is checked whole before anything is written, with no total to tell.
        outcome = FhirImport::run(importedPath(*chosen), [&](long long done, long long total) {
            return progress(total > 0 ? double(done) / double(total) : 0.0);
        });
    });
    switch (outcome.kind) {
    case FhirImport::Outcome::Cancelled:
        return;
    case FhirImport::Outcome::Imported:
        AccessNote::enter(parent, {Access::Import, "", "", std::nullopt, {{"file", *chosen}}});
        MessageBox(parent, importReport(outcome.report), "Confirmation", MsgIcon::Information);
        return;
    case FhirImport::Outcome::Refused:
    case FhirImport::Outcome::Failed:
        MessageBox(parent, outcome.message, kAppTitle, MsgIcon::Stop);
        return;
    }
}

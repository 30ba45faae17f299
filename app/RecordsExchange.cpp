#include "app/RecordsExchange.h"

#include "app/Screens.h"
#include "exchange/FhirBulkExport.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/ProgressDialog.h"

namespace {

std::string writtenList(const std::vector<FhirBulkExport::Written>& written) {
    std::string text;
    for (const FhirBulkExport::Written& type : written)
        text += "\n" + type.type + ": " + std::to_string(type.resources);
    return text;
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
    MessageBox(parent,
               "Every record is exported to " + *folder +
                   " as FHIR, one file for each kind of resource:\n" + writtenList(written),
               "Confirmation", MsgIcon::Information);
}

#include "exchange/FhirExport.h"

#include "exchange/FhirBundle.h"
#include "records/PendingFile.h"

#include <new>

std::optional<FileFailure> FhirExport::writeRecord(const WholeRecord& record,
                                                   const std::string& file)
{
    std::string text;
    try {
        // Texts go out as the UTF-8 they are, not as \u escapes.
        text = FhirBundle::of(record).dump(2, ' ', false) + "\n";
    } catch (const nlohmann::json::type_error&) {
        return FileFailure{FileFailure::Refused, file,
                           "The record holds text that is not UTF-8, which a FHIR file cannot "
                           "carry, so " +
                               file + " was not written."};
    } catch (const std::bad_alloc&) {
        return FileFailure{FileFailure::OutOfMemory, file};
    }
    if (const int error = PendingFile::writeWhole(file, text.data(), text.size()))
        return FileFailure::fromErrno(error, file);
    return std::nullopt;
}

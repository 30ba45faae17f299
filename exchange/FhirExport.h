#pragma once

#include "records/FileFailure.h"
#include "store/WholeRecord.h"

#include <optional>
#include <string>

// Writes FHIR R4 exports of the records. A file is written beside its name, readable by its
// owner only, and put in its place once it is wholly on disk: it is there whole or not at all,
// and any earlier file of that name stays as it was until then.
class FhirExport
{
public:
    // The record as one Bundle (FhirBundle) in `file`; nothing when it was written.
    static std::optional<FileFailure> writeRecord(const WholeRecord& record,
                                                  const std::string& file);
};

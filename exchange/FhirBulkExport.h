#pragma once

#include "records/FileFailure.h"
#include "records/Progress.h"

#include <optional>
#include <string>
#include <vector>

// The whole clinic in FHIR R4 as FHIR Bulk Data writes it: in the folder, one file of NDJSON
// per resource type ("Patient.ndjson", "Encounter.ndjson", …), one resource a line, and a
// README.md that names the format and this version of Medora. The records are read in one
// transaction and written as they are read, so memory does not grow with the clinic. Each file
// is written beside its name, readable by its owner only, and put in place once every file is
// wholly on disk: a file is there whole or not at all.
class FhirBulkExport
{
public:
    // The resources of each type written, when it went through.
    struct Written {
        std::string type;
        long long resources = 0;
    };

    // The progress is told the share done; answering false stops the export, which then
    // leaves the folder as it was and fails as Cancelled.
    static std::optional<FileFailure> writeClinic(const std::string& folder,
                                                  std::vector<Written>* written = nullptr,
                                                  const Progress& progress = {});

    // The resource types Medora writes, a file each.
    static const std::vector<std::string>& types();
};

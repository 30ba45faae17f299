#pragma once

#include "records/FileFailure.h"
#include "records/Progress.h"

#include <optional>
#include <string>

// Backup and restore of the records in use, on whichever engine holds them: the records
// file byte for byte, or the clinic's server through the same kind of file.
class RecordsBackup {
public:
    using Outcome = std::optional<FileFailure>; // nothing when the operation succeeded

    static Outcome backup(const std::string& target, const Progress& progress = {});
    static Outcome restore(const std::string& source, const Progress& progress = {});
};

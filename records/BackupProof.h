#pragma once

#include "records/FileFailure.h"
#include "records/Progress.h"

#include <optional>
#include <string>

class PendingFile;

// A backup is checked as a restore would check it before it takes its name, so a backup that
// could not be restored is never kept as if it were good, nor put in place of a good one.
class BackupProof {
public:
    // Flushes the written copy, checks it and, when it proves whole, renames it to target.
    // A copy that fails its check is removed with the pending file. The progress is the
    // check's, and stopping it leaves the copy unplaced.
    static std::optional<FileFailure> place(PendingFile& copy, const std::string& target,
                                            const Progress& progress = {});
};

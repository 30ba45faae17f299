#pragma once

#include "records/FileFailure.h"
#include "records/Progress.h"

#include <optional>
#include <string>

#include <functional>

class PendingFile;

// A backup is checked as a restore would check it before it takes its name, so a backup that
// could not be restored is never kept as if it were good, nor put in place of a good one.
class BackupProof {
public:
    using Outcome = std::optional<FileFailure>; // nothing when the backup is in place

    // Writes a backup to target through `fill`, which writes the pending file, and places it
    // once it proves whole. A target its owner write-protected is not replaced.
    static Outcome write(const std::string& target,
                         const std::function<Outcome(PendingFile& copy)>& fill,
                         const Progress& checkProgress);
    // Flushes the written copy, checks it and, when it proves whole, renames it to target.
    // A copy that fails its check is removed with the pending file. The progress is the
    // check's, and stopping it leaves the copy unplaced.
    static std::optional<FileFailure> place(PendingFile& copy, const std::string& target,
                                            const Progress& progress = {});
};

#pragma once

#include "records/FileFailure.h"
#include "records/Progress.h"
#include "store/Database.h"

#include <optional>
#include <string>

// Backup and restore of the records file, byte for byte. Neither can leave a half-written
// file under the name the user or the program reads (see PendingFile).
class DatabaseBackup {
public:
    using Outcome = std::optional<FileFailure>; // nothing when the operation succeeded

    // Copies the records file to target, which takes its name once the copy has proved to
    // be a whole Medora database. Damaged records give no backup.
    static Outcome backup(const std::string& records, const std::string& target,
                          const Progress& progress = {});
    // Copies the records file to target as it is, unproven: what is kept of records too
    // damaged to back up, so that nothing of them is lost.
    static Outcome copyAsIs(const std::string& records, const std::string& target,
                            const Progress& progress = {});
    // Replaces the records file with source once source has proved to be a whole Medora
    // database. Given an identity, the restored records take it in place of the one source
    // carries.
    static Outcome restore(const std::string& source, const Progress& progress = {},
                           const std::string& identity = {},
                           const std::string& records = Engine::recordsFile());
};

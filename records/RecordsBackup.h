#pragma once

#include "records/FileFailure.h"
#include "records/Progress.h"
#include "store/DateTime.h"

#include <optional>
#include <string>

// Where a restore keeps the records it replaces, and when it runs. keptAs then names the
// backup it made of them; it stays empty when there were no records to keep.
struct BeforeRestore {
    std::string folder;
    DateTime when;
    std::string keptAs = {};
};

// Backup and restore of the records in use, on whichever engine holds them: the records
// file byte for byte, or the clinic's server through the same kind of file.
class RecordsBackup {
public:
    using Outcome = std::optional<FileFailure>; // nothing when the operation succeeded

    static Outcome backup(const std::string& target, const Progress& progress = {});
    // First keeps the records it replaces as a backup of their own in keep.folder, named by
    // their identity and keep.when, which the daily backups' retention never thins out; when
    // that backup cannot be made nothing is restored. The restored records keep the identity
    // of those they replace, so that two sets of records in use never share one; a records
    // file restored where there was none gets a new one.
    static Outcome restore(const std::string& source, BeforeRestore& keep,
                           const Progress& progress = {});
    // The identity of the records in use, given to them on their first use.
    static Outcome identity(std::string& id);
};

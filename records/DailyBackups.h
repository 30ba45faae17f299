#pragma once

#include "records/FileFailure.h"
#include "records/Progress.h"
#include "store/DateTime.h"

#include <optional>
#include <string>

// The automatic backups of the records in use, of the identity they carry: one file a day in a
// folder, proven like every backup, the older ones of that identity thinned out as
// BackupRetention says.
class DailyBackups {
public:
    using Outcome = std::optional<FileFailure>; // nothing when the backup was made and kept

    DailyBackups(std::string folder, std::string identity)
        : m_folder(std::move(folder)), m_identity(std::move(identity)) {}

    const std::string& folder() const { return m_folder; }
    std::string fileFor(const DateTime& day) const;
    bool hasBackupOf(const DateTime& day) const;

    // Backs up into the day's file, replacing an earlier one of that day only once the new one
    // has proved whole, then deletes the backups the rule no longer keeps.
    Outcome make(const DateTime& day, const Progress& progress = {}) const;

private:
    void thinOut() const;

    std::string m_folder;
    std::string m_identity;
};

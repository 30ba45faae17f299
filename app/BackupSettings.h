#pragma once

#include "store/DateTime.h"

#include <string>

// The per-user settings of the backups: the folder the automatic ones go to, and how the last
// backup, automatic or not, came out for each set of records, by their identity, so that the
// status of one set never speaks of another's backups.
class BackupSettings {
public:
    // The folder the user chose, else "backups" in the folder the records are kept in.
    static std::string folder();
    static bool folderIsDefault();
    // An empty folder chooses the default again.
    static void chooseFolder(const std::string& folder);
    // "The folder … is not there; is the drive connected?" for a chosen folder that does not
    // exist; empty for one that does, and for the default, which is made when missing.
    static std::string missingFolder(const std::string& chosen);

    // The folder of the last backup made from the menu, where a copy that was killed may have
    // left its partial file; empty before the first.
    static std::string lastManualFolder();
    static void rememberManualBackup(const std::string& file);

    // The identity of the records in use, which the status speaks of: empty while it could
    // not be read, whose status is then kept apart from every set's.
    static void useRecords(const std::string& identity);
    static const std::string& recordsInUse();

    // A backup of the records of that identity was written and passed its check at that time.
    static void proven(const std::string& identity, const DateTime& when);
    // The last backup of the records of that identity failed, for that reason.
    static void failed(const std::string& identity, const std::string& reason);

    // Of the records in use: "Last checked backup: Tuesday 08 December, 2026 18:02", with the
    // reason when it warns.
    static std::string statusText(const DateTime& now);
    // Whether their last backup failed or their newest proven one is older than a week.
    static bool warns(const DateTime& now);
};

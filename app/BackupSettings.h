#pragma once

#include "store/DateTime.h"

#include <string>

// The per-user settings of the backups: the folder the automatic ones go to, and how the last
// backup, automatic or not, came out.
class BackupSettings {
public:
    // The folder the user chose, else "backups" in the folder the records are kept in.
    static std::string folder();
    static bool folderIsDefault();
    // An empty folder chooses the default again.
    static void chooseFolder(const std::string& folder);

    // The folder of the last backup made from the menu, where a copy that was killed may have
    // left its partial file; empty before the first.
    static std::string lastManualFolder();
    static void rememberManualBackup(const std::string& file);

    // A backup was written and passed its check at that time.
    static void proven(const DateTime& when);
    // The last backup failed, for that reason.
    static void failed(const std::string& reason);

    // "Last checked backup: Tuesday 08 December, 2026 18:02", with the reason when it warns.
    static std::string statusText(const DateTime& now);
    // Whether the last backup failed or the newest proven one is older than a week.
    static bool warns(const DateTime& now);
};

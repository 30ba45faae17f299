#pragma once

#include "store/DateTime.h"

#include <optional>
#include <string>
#include <vector>

// The names of the automatic backups, one file a day for each set of records, and which of
// them are kept: the newest 7, then the newest of each of the 4 weeks before them, then the
// newest of each of the 12 months before those. Since the backups are thinned out each day,
// the week keeps its last day's backup and the month its last week's. The names carry the
// records' identity and each set's backups are counted apart, so that records sharing a folder
// never thin out or replace each other's backups. Other files in the folder, among them the
// backups named by the day alone that earlier versions made, are never touched.
class BackupRetention {
public:
    static constexpr int kDaily = 7;
    static constexpr int kWeekly = 4;
    static constexpr int kMonthly = 12;
    // How many digits of the identity a name carries.
    static constexpr size_t kIdentityDigits = 12;

    // "medora-0123456789ab-2026-12-08.rbk" for the records of identity 0123456789ab…
    static std::string fileName(const std::string& identity, const DateTime& day);
    // The day a backup's name stands for; nothing for a name of another kind or other records.
    static std::optional<DateTime> dayOf(const std::string& identity, const std::string& name);
    // Those of the names of that identity's backups that the rule no longer keeps.
    static std::vector<std::string> toDelete(const std::string& identity,
                                             const std::vector<std::string>& names);

    // "medora-0123456789ab-before-restore-2026-12-08-140512.rbk": the records a restore
    // replaced, which the rule never thins out; "…-140512-2.rbk" for the second attempt at a
    // name no file has yet.
    static std::string beforeRestoreName(const std::string& identity, const DateTime& when,
                                         int attempt = 1);
};

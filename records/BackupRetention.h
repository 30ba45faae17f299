#pragma once

#include "store/DateTime.h"

#include <optional>
#include <string>
#include <vector>

// The names of the automatic backups, one file a day, and which of them are kept: the newest
// 7, then the newest of each of the 4 weeks before them, then the newest of each of the 12
// months before those. Since the backups are thinned out each day, the week keeps its last
// day's backup and the month its last week's. Other files in the folder are never touched.
class BackupRetention {
public:
    static constexpr int kDaily = 7;
    static constexpr int kWeekly = 4;
    static constexpr int kMonthly = 12;

    // "medora-2026-12-08.rbk"
    static std::string fileName(const DateTime& day);
    // The day a backup's name stands for; nothing for a name of another kind.
    static std::optional<DateTime> dayOf(const std::string& name);
    // Those of the names that the rule no longer keeps.
    static std::vector<std::string> toDelete(const std::vector<std::string>& names);
};

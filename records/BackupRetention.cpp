#include "records/BackupRetention.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

std::string prefix(const std::string& identity) {
    return "medora-" + identity.substr(0, BackupRetention::kIdentityDigits) + "-";
}

long long dayNumber(const DateTime& day) {
    return (long long)std::floor(day.days());
}

// Weeks start on Monday; day 2 was Monday 1 January 1900.
long long weekOf(const DateTime& day) {
    const long long days = dayNumber(day) - 2;
    return days >= 0 ? days / 7 : (days - 6) / 7;
}

long long monthOf(const DateTime& day) {
    DateTime::Civil civil;
    day.toCivil(civil);
    return civil.year * 12LL + civil.month;
}

struct Dated {
    std::string name;
    DateTime day;
};

} // namespace

std::string BackupRetention::fileName(const std::string& identity, const DateTime& day) {
    return prefix(identity) + day.format("%Y-%m-%d") + ".rbk";
}

std::optional<DateTime> BackupRetention::dayOf(const std::string& identity,
                                               const std::string& name) {
    const std::string start = prefix(identity);
    if (name.compare(0, start.size(), start) != 0)
        return std::nullopt;
    int year = 0, month = 0, day = 0;
    if (std::sscanf(name.c_str() + start.size(), "%4d-%2d-%2d", &year, &month, &day) != 3)
        return std::nullopt;
    const DateTime date = DateTime::fromCivil(year, month, day);
    // The round trip refuses impossible dates and names with anything more to them.
    if (fileName(identity, date) != name)
        return std::nullopt;
    return date;
}

std::string BackupRetention::beforeRestoreName(const std::string& identity, const DateTime& when,
                                               int attempt) {
    return prefix(identity) + "before-restore-" + when.format("%Y-%m-%d-%H%M%S") +
           (attempt > 1 ? "-" + std::to_string(attempt) : "") + ".rbk";
}

std::vector<std::string> BackupRetention::toDelete(const std::string& identity,
                                                   const std::vector<std::string>& names) {
    std::vector<Dated> backups;
    for (const std::string& name : names)
        if (const auto day = dayOf(identity, name))
            backups.push_back({name, *day});
    std::ranges::sort(backups, std::greater<>(), [](const Dated& b) { return b.day.days(); });

    // Each older tier keeps a file only from a week or month that no file kept so far is in.
    std::vector<std::string> doomed;
    int kept = 0;
    const DateTime* last = nullptr;
    for (const Dated& backup : backups) {
        bool keep = false;
        if (kept < kDaily)
            keep = true;
        else if (kept < kDaily + kWeekly)
            keep = weekOf(backup.day) != weekOf(*last);
        else if (kept < kDaily + kWeekly + kMonthly)
            keep = monthOf(backup.day) != monthOf(*last);
        if (keep) {
            ++kept;
            last = &backup.day;
        } else {
            doomed.push_back(backup.name);
        }
    }
    return doomed;
}

#include "records/RecordsFileCheck.h"

#include "records/RecordsRules.h"
#include "records/RecordsShapes.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;

Connection open(const std::string& uri, int flags) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(uri.c_str(), &db, flags | SQLITE_OPEN_URI, nullptr);
    Connection connection(db, &sqlite3_close_v2);
    if (rc != SQLITE_OK)
        connection.reset();
    return connection;
}

std::string fileUri(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : path) {
        if (c == '%' || c == '?' || c == '#' || c < 0x20 || c >= 0x7f)
            uri += {'%', hex[c >> 4], hex[c & 15]};
        else
            uri += char(c);
    }
    return uri + "?mode=ro&immutable=1";
}

// The rows of a query, each row's columns joined by spaces; false when the query fails.
bool rows(sqlite3* db, const char* sql, std::vector<std::string>& out) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return false;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::string row;
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            row += (column > 0 ? " " : "") + std::string(text ? text : "");
        }
        out.push_back(row);
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
}

// Immutable: the check neither changes the file nor makes or reads files beside it.
Connection openForCheck(const std::string& path) {
    Connection db = open(fileUri(path), SQLITE_OPEN_READONLY);
    if (db)
        sqlite3_db_config(db.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    return db;
}

// The check reads each page at least once, and the pages it has read from the file tell how
// far it has come closely enough.
struct CheckWatch {
    sqlite3* db;
    double pages;
    const Progress& progress;
};

int watchCheck(void* context) {
    const auto* watch = static_cast<const CheckWatch*>(context);
    int read = 0, highest = 0;
    sqlite3_db_status(watch->db, SQLITE_DBSTATUS_CACHE_MISS, &read, &highest, 0);
    return goOn(watch->progress, std::min(1.0, read / watch->pages)) ? 0 : 1;
}

// Steps of the engine between two looks at the progress: a few milliseconds' worth.
constexpr int kStepsBetweenLooks = 1'000'000;

// Whether the engine's check `pragma` finds nothing wrong with the file.
bool passes(const std::string& path, const char* pragma, const Progress& progress) {
    Connection db = openForCheck(path);
    std::vector<std::string> pages;
    if (!db || !rows(db.get(), "PRAGMA page_count", pages) || pages.size() != 1)
        return false;
    // The check looks up every row in each index; a larger cache keeps the index pages at hand
    // and takes a third off its time on a large clinic, at a bounded cost in memory.
    sqlite3_exec(db.get(), "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);
    CheckWatch watch{db.get(), std::max(1.0, std::stod(pages[0])), progress};
    if (progress)
        sqlite3_progress_handler(db.get(), kStepsBetweenLooks, watchCheck, &watch);
    std::vector<std::string> verdict;
    return rows(db.get(), pragma, verdict) && verdict == std::vector<std::string>{"ok"};
}

} // namespace

bool RecordsFileCheck::isRecords(const std::string& path) {
    std::string fault;
    return check(path, {}, fault) == Verdict::Whole;
}

RecordsFileCheck::Verdict RecordsFileCheck::check(const std::string& path, const Progress& progress,
                                                  std::string& fault) {
    if (const Verdict quick = examine(path, fault); quick != Verdict::Whole)
        return quick;
    bool stopped = false;
    const Progress watched = [&](double done) {
        stopped = !goOn(progress, done);
        return !stopped;
    };
    if (!isSound(path, watched))
        return stopped ? Verdict::Stopped : Verdict::NotWhole;
    // Asked once more at the end, so that even a check too short to be asked can be stopped.
    return goOn(progress, 1.0) ? Verdict::Whole : Verdict::Stopped;
}

RecordsFileCheck::Verdict RecordsFileCheck::examine(const std::string& path, std::string& fault) {
    Connection db = openForCheck(path);
    if (!db)
        return Verdict::NotWhole;
    // The engine reads missing bytes at the end as zeros, and its check does not see text
    // spoilt that way: a cut file is told by its length.
    std::vector<std::string> pages, patients;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 ||
        !rows(db.get(), "SELECT page_count * page_size FROM pragma_page_count, pragma_page_size",
              pages) ||
        pages != std::vector<std::string>{std::to_string(info.st_size)})
        return Verdict::NotWhole;
    // A database without the table of patients is some other program's.
    if (!rows(db.get(), "SELECT 1 FROM sqlite_schema WHERE name = 'patient_info'", patients) ||
        patients.empty())
        return Verdict::NotWhole;
    auto why = RecordsShapes::difference(db.get());
    if (!why)
        why = RecordsRules::breach(db.get());
    if (!why)
        return Verdict::Whole;
    // What looks like a broken rule may be damage, which the engine's check tells of.
    if (!isSound(path))
        return Verdict::NotWhole;
    fault = *why;
    return Verdict::Refused;
}

bool RecordsFileCheck::isSound(const std::string& path, const Progress& progress) {
    return passes(path, "PRAGMA integrity_check", progress);
}

bool RecordsFileCheck::rowsAreSound(const std::string& path, const Progress& progress) {
    return passes(path, "PRAGMA quick_check", progress);
}

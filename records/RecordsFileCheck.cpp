#include "records/RecordsFileCheck.h"

#include "records/RecordsSchema.h"
#include "store/RecordsIdentity.h"
#include "store/SearchIndex.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;
// Each table's columns as "name type", in order.
using Tables = std::map<std::string, std::vector<std::string>>;

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
bool rows(sqlite3* db, const char* sql, std::vector<std::string>& out,
          const std::string* parameter = nullptr) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return false;
    if (parameter)
        sqlite3_bind_text(statement, 1, parameter->c_str(), -1, SQLITE_TRANSIENT);
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

bool readTables(sqlite3* db, Tables& tables) {
    std::vector<std::string> names;
    if (!rows(db, "SELECT name FROM sqlite_schema WHERE type = 'table'", names))
        return false;
    for (const std::string& name : names)
        if (!rows(db, "SELECT name, type FROM pragma_table_info(?)", tables[name], &name))
            return false;
    return true;
}

// Made from the schema itself, so the columns are written down in one place only.
const Tables& medoraTables() {
    static const Tables tables = [] {
        Tables made;
        Connection db = open(":memory:", SQLITE_OPEN_READWRITE);
        if (!db || sqlite3_exec(db.get(), kRecordsSchema, nullptr, nullptr, nullptr) != SQLITE_OK ||
            !readTables(db.get(), made))
            made.clear();
        return made;
    }();
    return tables;
}

// A file made before the search kept its keys lacks their tables, and one made before the
// records had an identity lacks its table; the store adds them on the file's first use.
bool addedSince(const std::string& table, const std::vector<std::string>& version) {
    if (version.size() != 1)
        return false;
    const int made = std::stoi(version[0]);
    if (table == RecordsIdentity::table)
        return made < RecordsIdentity::fileVersion;
    return made < SearchIndex::fileVersion &&
           std::find(std::begin(SearchIndex::tables), std::end(SearchIndex::tables), table) !=
               std::end(SearchIndex::tables);
}

// Tables and columns the program does not know are left to whoever added them: the program
// never reads them.
bool holdsAll(const std::vector<std::string>& columns, const std::vector<std::string>& wanted) {
    return std::ranges::all_of(wanted, [&](const std::string& column) {
        return std::ranges::find(columns, column) != columns.end();
    });
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

} // namespace

bool RecordsFileCheck::isRecords(const std::string& path) {
    return check(path, {}) == Verdict::Whole;
}

RecordsFileCheck::Verdict RecordsFileCheck::check(const std::string& path,
                                                  const Progress& progress) {
    if (!hasRecordsLayout(path))
        return Verdict::NotWhole;
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

bool RecordsFileCheck::hasRecordsLayout(const std::string& path) {
    const Tables& expected = medoraTables();
    Connection db = openForCheck(path);
    if (expected.empty() || !db)
        return false;
    // The engine reads missing bytes at the end as zeros, and its check does not see text
    // spoilt that way: a cut file is told by its length.
    std::vector<std::string> pages, version;
    struct stat info {};
    Tables tables;
    if (stat(path.c_str(), &info) != 0 ||
        !rows(db.get(), "SELECT page_count * page_size FROM pragma_page_count, pragma_page_size",
              pages) ||
        pages != std::vector<std::string>{std::to_string(info.st_size)} ||
        !readTables(db.get(), tables) || !rows(db.get(), "PRAGMA user_version", version))
        return false;
    for (const auto& [name, columns] : expected) {
        const auto found = tables.find(name);
        if (found == tables.end() ? !addedSince(name, version) : !holdsAll(found->second, columns))
            return false;
    }
    return true;
}

bool RecordsFileCheck::isSound(const std::string& path, const Progress& progress) {
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
    return rows(db.get(), "PRAGMA integrity_check", verdict) &&
           verdict == std::vector<std::string>{"ok"};
}

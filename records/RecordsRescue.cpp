#include "records/RecordsRescue.h"

#include "records/LeafPages.h"
#include "records/MedoraTables.h"
#include "records/PendingFile.h"
#include "records/RecordsFileCheck.h"
#include "records/RecordsLock.h"
#include "records/RecordsSchema.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <limits>
#include <utility>

namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;
using Query = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

constexpr long long kLargestKey = std::numeric_limits<long long>::max();

struct Failed {
    FileFailure failure;
};

FileFailure engineFailure(sqlite3* db, const std::string& name) {
    switch (sqlite3_errcode(db) & 0xff) {
    case SQLITE_FULL:
        return {FileFailure::DiskFull, name};
    case SQLITE_NOMEM:
        return {FileFailure::OutOfMemory, name};
    case SQLITE_IOERR:
        return {FileFailure::HardIO, name};
    default:
        return {FileFailure::RescueFailed, name, sqlite3_errmsg(db)};
    }
}

Connection open(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    Connection connection(db, &sqlite3_close_v2);
    if (rc != SQLITE_OK)
        throw Failed{engineFailure(db, path)};
    return connection;
}

void run(sqlite3* db, const std::string& sql, const std::string& name) {
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw Failed{engineFailure(db, name)};
}

Query prepare(sqlite3* db, const std::string& sql, const std::string& name) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        throw Failed{engineFailure(db, name)};
    return Query(statement, &sqlite3_finalize);
}

// A statement that reads the damaged file; none when the engine cannot read its tables at all
// (its header or schema is lost, or it was cut short), whose rows are then read from its pages.
Query prepareReading(sqlite3* db, const std::string& sql, const std::string& name) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK &&
        (sqlite3_errcode(db) & 0xff) == SQLITE_NOMEM)
        throw Failed{engineFailure(db, name)};
    return Query(statement, &sqlite3_finalize);
}

// The first column of the first row; nothing when it cannot be read.
std::optional<long long> number(sqlite3* db, const std::string& sql, const std::string& table) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    const Query query(statement, &sqlite3_finalize);
    if (!query)
        return std::nullopt;
    sqlite3_bind_text(query.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(query.get()) != SQLITE_ROW)
        return std::nullopt;
    return sqlite3_column_int64(query.get(), 0);
}

// The rows of a patient whose own row was lost: the program could never show them, and no
// restore would take records that hold them. Gives how many there were.
long long removeStrays(sqlite3* db, const std::string& table, const std::string& name) {
    const MedoraTable* made = MedoraTables::find(table);
    const bool patients = made && table != "patient_info" &&
                          std::any_of(made->columns.begin(), made->columns.end(),
                                      [](const MedoraColumn& c) { return c.name == "patient_ID"; });
    if (!patients)
        return 0;
    run(db, "DELETE FROM " + table + " WHERE patient_ID NOT IN (SELECT ID FROM patient_info)",
        name);
    return sqlite3_changes(db);
}

// Copies one table's rows from a damaged file, in key order, past the stretches of keys
// whose pages cannot be read.
class TableCopy {
public:
    TableCopy(sqlite3* from, sqlite3* to, const MedoraTable& table, const std::string& name)
        : m_table(table),
          m_read(prepareReading(from, select(table) + " WHERE rowid >= ?1 ORDER BY rowid", name)),
          m_probe(prepareReading(from, select(table) + " WHERE rowid >= ?1 ORDER BY rowid LIMIT 1",
                                 name)),
          m_insert(prepare(to, insert(table), name)), m_to(to) {}

    // Copies every row the engine can read, and notes the stretches of keys it cannot.
    void copy() {
        long long from = std::numeric_limits<long long>::min();
        while (!m_read || !copyFrom(from)) {
            const auto next = m_read ? nextReadable() : std::nullopt;
            if (!next) {
                m_stretches.emplace_back(m_last + 1, kLargestKey);
                return;
            }
            m_lostKeys += *next - m_last - 1;
            m_stretches.emplace_back(m_last + 1, *next - 1);
            from = *next;
        }
    }
    // The largest key the file gave, as its sequence says.
    void gave(long long key) { m_given = std::max(m_given, key); }
    long long given() const { return m_given; }

    // Whether the key lies in a stretch that could not be read through the table.
    bool lost(long long key) const {
        for (const auto& [first, last] : m_stretches)
            if (key >= first && key <= last)
                return true;
        return false;
    }
    // Whether the rows of a page are this table's, of its stretches that could not be read.
    bool fits(const std::vector<FoundRow>& rows) const {
        return std::all_of(rows.begin(), rows.end(), [this](const FoundRow& row) {
            return lost(row.rowid) && holds(row.values);
        });
    }
    void keepFound(long long key, const std::vector<StoredValue>& values) {
        sqlite3_stmt* insert = m_insert.get();
        for (size_t column = 0; column < values.size(); ++column)
            bind(insert, int(column) + 1, values[column]);
        if (!m_table.key.empty())
            for (size_t column = 0; column < values.size(); ++column)
                if (m_table.columns[column].name == m_table.key &&
                    values[column].type == StoredValue::Null)
                    sqlite3_bind_int64(insert, int(column) + 1, key);
        step(insert);
    }

    // Whether every row was read through the table.
    bool whole() const { return m_stretches.empty(); }
    const std::vector<std::pair<long long, long long>>& stretches() const { return m_stretches; }
    const std::string& name() const { return m_table.name; }
    long long root() const { return m_table.root; }
    bool autoincrement() const { return m_table.autoincrement; }
    long long read() const { return m_readRows; }
    long long rescued() const { return m_rescued; }
    // The keys of the stretches that could not be read, up to the largest key the file gave.
    long long lostKeys() const {
        const bool open = !m_stretches.empty() && m_stretches.back().second == kLargestKey;
        return m_lostKeys + (open ? std::max(0LL, m_given - m_last) : 0);
    }

private:
    // Whether the values are a row of the table, by number and kind: its tables are strict.
    bool holds(const std::vector<StoredValue>& values) const {
        if (values.size() != m_table.columns.size())
            return false;
        for (size_t column = 0; column < values.size(); ++column) {
            const StoredValue::Type type = values[column].type;
            const MedoraColumn& expected = m_table.columns[column];
            // The key is the rowid, which the row keeps in its place as a null.
            const bool fit = expected.name == m_table.key
                                 ? type == StoredValue::Null || type == StoredValue::Integer
                             : expected.integer ? type == StoredValue::Integer
                                                : type == StoredValue::Text;
            if (!fit)
                return false;
        }
        return true;
    }

    static std::string columns(const MedoraTable& table) {
        std::string list;
        for (const MedoraColumn& column : table.columns)
            list += (list.empty() ? "" : ", ") + column.name;
        return list;
    }
    static std::string select(const MedoraTable& table) {
        return "SELECT rowid, " + columns(table) + " FROM " + table.name;
    }
    static std::string insert(const MedoraTable& table) {
        std::string values;
        for (size_t column = 0; column < table.columns.size(); ++column)
            values += column == 0 ? "?" : ", ?";
        return "INSERT OR IGNORE INTO " + table.name + " (" + columns(table) + ") VALUES (" +
               values + ")";
    }

    // Copies the rows from the key `from` on; false when a row could not be read.
    bool copyFrom(long long from) {
        sqlite3_stmt* read = m_read.get();
        sqlite3_bind_int64(read, 1, from);
        int rc;
        while ((rc = sqlite3_step(read)) == SQLITE_ROW) {
            m_last = sqlite3_column_int64(read, 0);
            ++m_readRows;
            keep(read);
        }
        sqlite3_reset(read);
        return rc == SQLITE_DONE;
    }

    // A row whose values the damage made unfit for its columns is left out.
    void keep(sqlite3_stmt* row) {
        sqlite3_stmt* insert = m_insert.get();
        for (int column = 1; column < sqlite3_column_count(row); ++column)
            sqlite3_bind_value(insert, column, sqlite3_column_value(row, column));
        step(insert);
    }

    void step(sqlite3_stmt* insert) {
        if (sqlite3_step(insert) == SQLITE_DONE && sqlite3_changes(m_to) > 0)
            ++m_rescued;
        sqlite3_reset(insert);
    }

    static void bind(sqlite3_stmt* insert, int column, const StoredValue& value) {
        switch (value.type) {
        case StoredValue::Null:
            sqlite3_bind_null(insert, column);
            return;
        case StoredValue::Integer:
            sqlite3_bind_int64(insert, column, value.integer);
            return;
        case StoredValue::Real:
            sqlite3_bind_double(insert, column, value.real);
            return;
        case StoredValue::Text:
            sqlite3_bind_text(insert, column, value.bytes.data(), int(value.bytes.size()),
                              SQLITE_TRANSIENT);
            return;
        case StoredValue::Blob:
            sqlite3_bind_blob(insert, column, value.bytes.data(), int(value.bytes.size()),
                              SQLITE_TRANSIENT);
            return;
        }
    }

    bool readableFrom(long long key) {
        sqlite3_stmt* probe = m_probe.get();
        sqlite3_bind_int64(probe, 1, key);
        const int rc = sqlite3_step(probe);
        sqlite3_reset(probe);
        return rc == SQLITE_ROW || rc == SQLITE_DONE;
    }

    // The first key past the last row read from which the rows can be read again: the keys
    // of an unreadable page lie between two keys of the page above it, so the reading fails
    // from any key up to the page's last and succeeds from the next.
    std::optional<long long> nextReadable() {
        long long unreadable = m_last;
        long long readable = 0;
        for (long long step = 1;; step *= 2) {
            if (unreadable > kLargestKey - step)
                return std::nullopt;
            readable = m_last + step;
            if (readableFrom(readable))
                break;
            unreadable = readable;
            if (step > kLargestKey / 2)
                return std::nullopt;
        }
        while (readable - unreadable > 1) {
            const long long middle = unreadable + (readable - unreadable) / 2;
            (readableFrom(middle) ? readable : unreadable) = middle;
        }
        return readable;
    }

    const MedoraTable& m_table;
    Query m_read, m_probe, m_insert;
    sqlite3* m_to;
    long long m_last = 0; // keys below one are not given
    long long m_readRows = 0;
    long long m_rescued = 0;
    long long m_lostKeys = 0;
    long long m_given = 0;
    std::vector<std::pair<long long, long long>> m_stretches; // first and last key of each
};

// The pages the tables of the damaged file still lead to, as far as they can be read.
std::vector<bool> tablePages(sqlite3* damaged, long long pages) {
    std::vector<bool> known(size_t(pages + 1));
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(damaged, "SELECT pageno FROM dbstat WHERE name = ?1", -1, &statement,
                       nullptr);
    const Query query(statement, &sqlite3_finalize);
    for (const MedoraTable& table : MedoraTables::all()) {
        if (!query)
            break;
        sqlite3_bind_text(query.get(), 1, table.name.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(query.get()) == SQLITE_ROW) {
            const long long page = sqlite3_column_int64(query.get(), 0);
            if (page > 0 && page <= pages)
                known[size_t(page)] = true;
        }
        sqlite3_reset(query.get());
    }
    return known;
}

using Copies = std::vector<std::unique_ptr<TableCopy>>;

// No key the damaged file gave is given again, even that of a row that was lost. The engine's
// sequence has no key of its own: a table's row there is raised, or made when it has none.
void remember(sqlite3* out, const std::string& table, long long given, const std::string& name) {
    for (const char* sql : {"UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1",
                            "INSERT INTO sqlite_sequence (name, seq) SELECT ?1, ?2"
                            " WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = ?1)"}) {
        const Query query = prepare(out, sql, name);
        sqlite3_bind_text(query.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(query.get(), 2, given);
        if (sqlite3_step(query.get()) != SQLITE_DONE)
            throw Failed{engineFailure(out, name)};
    }
}

// The table the rows fit alone, if any.
TableCopy* onlyFit(const Copies& copies, const std::vector<FoundRow>& rows) {
    TableCopy* owner = nullptr;
    for (const auto& copy : copies)
        if (copy->fits(rows)) {
            if (owner)
                return nullptr;
            owner = copy.get();
        }
    return owner;
}

// The largest keys given, from a page of the file's sequence: its rows name a table and
// give a number.
void noteSequence(const Copies& copies, const std::vector<FoundRow>& rows) {
    const auto tableOf = [&](const FoundRow& row) -> TableCopy* {
        if (row.values.size() != 2 || row.values[0].type != StoredValue::Text ||
            row.values[1].type != StoredValue::Integer)
            return nullptr;
        for (const auto& copy : copies)
            if (copy->autoincrement() && copy->name() == row.values[0].bytes)
                return copy.get();
        return nullptr;
    };
    if (std::all_of(rows.begin(), rows.end(), tableOf))
        for (const FoundRow& row : rows)
            tableOf(row)->gave(row.values[1].integer);
}

// The rows of the stretches the tables could not be read through, from the file's pages: a
// damaged page above them loses the way to them, not them, and a lost header or schema loses
// only the way to every table. A page is taken for a table's when it lies in the table's tree
// and its rows fit the table, or else when they fit that table alone.
void keepFoundRows(sqlite3* damaged, const Copies& copies) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(damaged, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        !file || !file->pMethods)
        return;
    LeafPages pages(file);
    const std::vector<bool> known = tablePages(damaged, pages.pages());
    // The trees tell apart tables whose rows look alike (history entries and medications).
    std::vector<TableCopy*> tree(size_t(pages.pages() + 1));
    for (const auto& copy : copies)
        for (const long long page : pages.tree(copy->root()))
            if (!tree[size_t(page)])
                tree[size_t(page)] = copy.get();
    const auto keep = [&](long long page, const std::vector<FoundRow>& rows) {
        TableCopy* inTree = tree[size_t(page)];
        TableCopy* owner = inTree && inTree->fits(rows) ? inTree : onlyFit(copies, rows);
        if (!owner)
            noteSequence(copies, rows);
        else
            for (const FoundRow& row : rows)
                owner->keepFound(row.rowid, row.values);
    };
    // The tables' own pages first: where a page none leads to holds a row of the same key, a
    // row since deleted or moved, the table's row is the one kept.
    pages.scan([&](long long page) { return !known[size_t(page)] && tree[size_t(page)]; }, keep);
    pages.scan([&](long long page) { return !known[size_t(page)] && !tree[size_t(page)]; }, keep);
}

} // namespace

RecordsRescue::RecordsRescue(std::string records) : m_records(std::move(records)) {}

RecordsRescue::~RecordsRescue() = default;

std::string RecordsRescue::keptName(const std::string& records, int attempt) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &local);
    const bool mdb = records.size() > 4 && records.compare(records.size() - 4, 4, ".mdb") == 0;
    const std::string stem = mdb ? records.substr(0, records.size() - 4) : records;
    return stem + ".damaged-" + stamp + (attempt > 0 ? "-" + std::to_string(attempt + 1) : "") +
           ".mdb";
}

RecordsRescue::Outcome RecordsRescue::build() {
    m_tables.clear();
    m_unreadable.clear();
    if (stat(m_records.c_str(), &m_before) != 0)
        return FileFailure::fromErrno(errno, m_records);
    m_rescued = std::make_unique<PendingFile>(PendingFile::realName(m_records));
    if (m_rescued->creationError() != 0)
        return FileFailure::fromErrno(m_rescued->creationError(), m_rescued->path());
    try {
        copyRows();
    } catch (const Failed& failed) {
        m_tables.clear();
        m_unreadable.clear();
        return failed.failure;
    }
    if (std::all_of(m_tables.begin(), m_tables.end(),
                    [](const RescuedTable& table) { return table.rescued == 0; })) {
        m_tables.clear();
        return FileFailure{FileFailure::RescueFailed, m_records, "no row of them could be read"};
    }
    if (const int error = m_rescued->finish())
        return FileFailure::fromErrno(error, m_rescued->path());
    std::string fault;
    if (RecordsFileCheck::check(m_rescued->path(), {}, fault) != RecordsFileCheck::Verdict::Whole)
        return FileFailure{FileFailure::RescueFailed, m_records,
                           "the rescued rows do not make whole records" +
                               (fault.empty() ? "" : " (" + fault + ")")};
    return std::nullopt;
}

void RecordsRescue::copyRows() {
    const std::string& name = m_rescued->path();
    const Connection out = open(name, SQLITE_OPEN_READWRITE);
    const Connection damaged = open(m_records, SQLITE_OPEN_READONLY);
    // Written without a journal or flushes of its own: the file is flushed once, whole,
    // before it can take the records' name.
    run(out.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", name);
    run(out.get(), kRecordsSchema, name);
    run(out.get(), "BEGIN; DELETE FROM clinic_info", name);
    Copies copies;
    std::vector<std::optional<long long>> counted;
    for (const MedoraTable& table : MedoraTables::all()) {
        if (table.derived)
            continue;
        copies.push_back(std::make_unique<TableCopy>(damaged.get(), out.get(), table, m_records));
        if (table.autoincrement)
            copies.back()->gave(
                number(damaged.get(), "SELECT seq FROM sqlite_sequence WHERE name = ?1", table.name)
                    .value_or(0));
        copies.back()->copy();
        counted.push_back(number(damaged.get(), "SELECT count(*) FROM " + table.name, {}));
    }
    if (std::any_of(copies.begin(), copies.end(), [](const auto& copy) { return !copy->whole(); }))
        keepFoundRows(damaged.get(), copies);
    UnreadablePatients::Stretches lost;
    for (const auto& copy : copies)
        if (!copy->whole())
            lost[copy->name()] = copy->stretches();
    if (!lost.empty())
        m_unreadable = UnreadablePatients::find(damaged.get(), out.get(), lost);
    for (size_t table = 0; table < copies.size(); ++table) {
        const TableCopy& rows = *copies[table];
        if (rows.given() > 0)
            remember(out.get(), rows.name(), rows.given(), name);
        const long long rescued = rows.rescued() - removeStrays(out.get(), rows.name(), name);
        const long long claimed = counted[table].value_or(rows.read() + rows.lostKeys());
        m_tables.push_back({rows.name(), rescued, std::max(claimed, rescued)});
    }
    // Marked as a file whose search keys are yet to be made: the store makes them on its
    // first use.
    run(out.get(), "PRAGMA user_version = 0; COMMIT", name);
}

RecordsRescue::Outcome RecordsRescue::replace(std::string& keptAs) {
    const RecordsLock current(m_records);
    if (current.failure() && current.failure()->kind != FileFailure::NotRecords)
        return current.failure();
    struct stat now {};
    if (stat(m_records.c_str(), &now) != 0)
        return FileFailure::fromErrno(errno, m_records);
    if (now.st_ino != m_before.st_ino || now.st_size != m_before.st_size ||
        now.st_mtim.tv_sec != m_before.st_mtim.tv_sec ||
        now.st_mtim.tv_nsec != m_before.st_mtim.tv_nsec)
        return FileFailure{FileFailure::RescueFailed, m_records,
                           "the records changed while they were rescued; rescue them again"};
    // A second name first, so that the records' name always stands for the damaged file or
    // the rescued one, and a file under the dated name is never replaced.
    const std::string real = PendingFile::realName(m_records);
    std::string kept;
    for (int attempt = 0;; ++attempt) {
        kept = keptName(real, attempt);
        if (link(real.c_str(), kept.c_str()) == 0)
            break;
        if (errno != EEXIST || attempt == 99)
            return FileFailure::fromErrno(errno, kept);
    }
    if (const int error = m_rescued->place()) {
        unlink(kept.c_str());
        return FileFailure::fromErrno(error, m_records);
    }
    keptAs = kept;
    return std::nullopt;
}

#include "records/ServerBackup.h"

#include "records/ArrayBatch.h"
#include "records/AuditTrail.h"
#include "records/BackupProof.h"
#include "records/ChosenFile.h"
#include "records/CopyPipe.h"
#include "records/MedoraTables.h"
#include "records/PendingFile.h"
#include "records/RecordsFileCheck.h"
#include "records/RecordsSchema.h"
#include "records/ServerLink.h"
#include "store/DateTime.h"
#include "store/SchemaSteps.h"
#include "store/SearchIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

namespace {

using Sqlite = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;
using Query = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

// Runs of a restore that lost a lock to another desk before it gives up.
constexpr int kAttempts = 3;
// The share of a backup's time that copying the rows takes; the check of the file the rest.
constexpr double kRowsShare = 0.7;

// What a failure of SQLite, reading or writing `file`, says to the user.
[[noreturn]] void failSqlite(sqlite3* db, int rc, const std::string& file) {
    const int error = db ? sqlite3_system_errno(db) : 0;
    if ((rc & 0xff) == SQLITE_FULL)
        throw FileFailure{FileFailure::DiskFull, file};
    if ((rc & 0xff) == SQLITE_NOMEM)
        throw FileFailure{FileFailure::OutOfMemory, file};
    if ((rc & 0xff) == SQLITE_IOERR && error != 0)
        throw FileFailure::fromErrno(error, file);
    throw FileFailure{(rc & 0xff) == SQLITE_IOERR ? FileFailure::HardIO : FileFailure::NotRecords,
                      file};
}

class SqliteFile {
public:
    SqliteFile(const std::string& path, const std::string& name, int flags)
        : m_db(nullptr, &sqlite3_close_v2), m_name(name) {
        sqlite3* db = nullptr;
        const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
        m_db.reset(db);
        if (rc != SQLITE_OK)
            failSqlite(db, rc, name);
    }
    void run(const char* sql) {
        if (const int rc = sqlite3_exec(m_db.get(), sql, nullptr, nullptr, nullptr))
            failSqlite(m_db.get(), rc, m_name);
    }
    Query prepare(const std::string& sql) {
        sqlite3_stmt* statement = nullptr;
        if (const int rc = sqlite3_prepare_v2(m_db.get(), sql.c_str(), -1, &statement, nullptr))
            failSqlite(m_db.get(), rc, m_name);
        return Query(statement, &sqlite3_finalize);
    }
    // Steps a statement that gives no rows, and makes it ready to run again.
    void finish(sqlite3_stmt* statement) {
        const int rc = sqlite3_step(statement);
        sqlite3_reset(statement);
        if (rc != SQLITE_DONE)
            failSqlite(m_db.get(), rc, m_name);
    }
    long long number(const std::string& sql, const std::string& parameter = {}) {
        const Query query = prepare(sql);
        sqlite3_bind_text(query.get(), 1, parameter.c_str(), -1, SQLITE_TRANSIENT);
        const int rc = sqlite3_step(query.get());
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            failSqlite(m_db.get(), rc, m_name);
        return rc == SQLITE_ROW ? sqlite3_column_int64(query.get(), 0) : 0;
    }
    const std::string& name() const { return m_name; }

private:
    Sqlite m_db;
    std::string m_name;
};

// Raises the flag when the scope ends, however it ends.
struct RaiseOnExit {
    std::atomic<bool>& flag;
    ~RaiseOnExit() { flag = true; }
};

// Counts the rows copied, tells the progress now and then, and stops the work when asked.
// The progress is asked by one thread at a time, though the rows and the waits for the server
// may run on two.
class RowCounter {
public:
    RowCounter(const Progress& progress, const std::string& file)
        : m_progress(progress), m_file(file) {}
    void setTotal(long long total) { m_total = std::max(1LL, total); }
    void step() {
        if (++m_done % 4096 == 0 && !ask(double(m_done) / double(m_total)))
            throw FileFailure{FileFailure::Cancelled, m_file};
    }
    // Asked once more when every row is copied, so that even a few rows can be stopped.
    void finish() {
        if (!ask(1.0))
            throw FileFailure{FileFailure::Cancelled, m_file};
    }
    void restart() { m_done = 0; }
    // Whether the progress, asked again while the server is waited for, stops the work.
    bool stopped() {
        const std::lock_guard oneAtATime(m_asking);
        return !goOn(m_progress, m_share);
    }

private:
    bool ask(double share) {
        const std::lock_guard oneAtATime(m_asking);
        m_share = share;
        return goOn(m_progress, share);
    }

    long long m_total = 1;
    long long m_done = 0;
    std::mutex m_asking;
    double m_share = 0; // guarded by m_asking
    const Progress& m_progress;
    const std::string& m_file;
};

std::string lowered(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return name;
}

// The column that orders a table's rows on the server: its key, or the rowid column that
// stands for SQLite's hidden one; empty when the server's table has neither.
std::string serverKey(ServerLink& link, const MedoraTable& table) {
    if (!table.key.empty())
        return table.key;
    const std::string found =
        link.single("SELECT 1 FROM information_schema.columns WHERE table_schema = current_schema()"
                    " AND table_name = $1 AND column_name = 'rowid'",
                    {lowered(table.name)});
    return found.empty() ? "" : "rowid";
}

// The columns copied, the rowid first when it is not one of them.
std::string columnList(const MedoraTable& table, const std::string& key) {
    std::string list = key == "rowid" ? "rowid" : "";
    for (const MedoraColumn& column : table.columns)
        list += (list.empty() ? "" : ", ") + column.name;
    return list;
}

std::vector<bool> integerColumns(const MedoraTable& table, const std::string& key) {
    std::vector<bool> integers(key == "rowid" ? 1 : 0, true);
    for (const MedoraColumn& column : table.columns)
        integers.push_back(column.integer);
    return integers;
}

// Whether a restore replaces the server's rows of the table with the backup's.
bool replaced(const MedoraTable& table) {
    return !table.identity && !table.trail;
}

// The tables a restore replaces, or every table a backup copies.
std::string allTableNames(bool everyTable = true) {
    std::string names;
    for (const MedoraTable& table : MedoraTables::onServer())
        if (everyTable || replaced(table))
            names += (names.empty() ? "" : ", ") + table.name;
    return names;
}

std::string sequenceOf(ServerLink& link, const MedoraTable& table, const std::string& key) {
    return key.empty() ? std::string()
                       : link.single("SELECT pg_get_serial_sequence($1, $2)",
                                     {lowered(table.name), lowered(key)});
}

void copyTableOut(ServerLink& link, SqliteFile& out, const MedoraTable& table,
                  RowCounter& counter) {
    const std::string key = serverKey(link, table);
    const std::string columns = columnList(table, key);
    const std::vector<bool> integers = integerColumns(table, key);
    std::string marks;
    for (size_t i = 0; i < integers.size(); ++i)
        marks += i == 0 ? "?" : ", ?";
    const Query insert =
        out.prepare("INSERT INTO " + table.name + " (" + columns + ") VALUES (" + marks + ")");
    std::vector<std::string> fields;
    std::vector<bool> nulls;
    link.copyOut("COPY (SELECT " + columns + " FROM " + table.name +
                     (table.trail ? " WHERE hash IS NOT NULL" : "") +
                     (key.empty() ? "" : " ORDER BY " + key) + ") TO STDOUT",
                 [&](const char* row, size_t size) {
                     ServerLink::splitCopyRow(row, size, fields, nulls);
                     if (fields.size() != integers.size())
                         throw ServerError("the server sent a row of another shape", "");
                     for (size_t i = 0; i < fields.size(); ++i) {
                         if (nulls[i])
                             sqlite3_bind_null(insert.get(), int(i) + 1);
                         else if (integers[i])
                             sqlite3_bind_int64(insert.get(), int(i) + 1, std::stoll(fields[i]));
                         else
                             sqlite3_bind_text(insert.get(), int(i) + 1, fields[i].data(),
                                               int(fields[i].size()), SQLITE_STATIC);
                     }
                     out.finish(insert.get());
                     counter.step();
                 });
    if (!table.autoincrement)
        return;
    // The largest key the server ever gave, which may be larger than any key still held.
    const std::string sequence = sequenceOf(link, table, key);
    const std::string given =
        sequence.empty() ? ""
                         : link.single("SELECT pg_sequence_last_value($1::regclass)", {sequence});
    if (given.empty())
        return;
    const Query remember =
        out.prepare("INSERT INTO sqlite_sequence (name, seq) SELECT ?1, 0 WHERE NOT EXISTS"
                    " (SELECT 1 FROM sqlite_sequence WHERE name = ?1)");
    sqlite3_bind_text(remember.get(), 1, table.name.c_str(), -1, SQLITE_TRANSIENT);
    out.finish(remember.get());
    const Query raise =
        out.prepare("UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1");
    sqlite3_bind_text(raise.get(), 1, table.name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(raise.get(), 2, std::stoll(given));
    out.finish(raise.get());
}

// Written without a journal or flushes of its own: the file is flushed once, whole, before
// it takes its name.
void writeBackup(ServerLink& link, const std::string& path, const std::string& target,
                 RowCounter& counter) {
    SqliteFile out(path, target, SQLITE_OPEN_READWRITE);
    out.run("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-8192");
    out.run(kRecordsSchema);
    out.run("BEGIN; DELETE FROM clinic_info");
    long long total = 0;
    for (const MedoraTable& table : MedoraTables::onServer())
        if (!table.derived)
            total += std::stoll(link.single("SELECT count(*) FROM " + table.name));
    counter.setTotal(total);
    for (const MedoraTable& table : MedoraTables::onServer())
        if (!table.derived)
            copyTableOut(link, out, table, counter);
    counter.finish();
    // The file stands at the server's step. The search keys are not copied: the store makes
    // them anew on its first use of the file, as on every restored file.
    out.run(
        ("PRAGMA user_version = " + std::to_string(SchemaSteps::current()) + "; COMMIT").c_str());
}

// Records of another step than this program's are neither copied out nor replaced: their
// tables are not those it copies.
void requireCurrentStep(ServerLink& link) {
    const std::string table = SchemaSteps::serverVersionTable;
    const bool kept = link.single("SELECT to_regclass($1) IS NOT NULL", {table}) == "t";
    const std::string step = kept ? link.single("SELECT step FROM " + table) : "";
    const int standing = step.empty() ? 0 : std::stoi(step);
    if (standing < SchemaSteps::current())
        throw FileFailure::server("the records on the server are of an earlier version of "
                                  "Medora; run medora-admin upgrade on the server");
    if (standing > SchemaSteps::current())
        throw FileFailure::server("the records on the server are of a newer version of Medora, "
                                  "which this one cannot use");
}

// The statement that adds the rows of a batch to a table, each column's values as an array
// of the column's type on the server, and the batch that gathers them.
struct ArrayInsert {
    std::string sql;
    ArrayBatch batch;
};

ArrayInsert insertFromArrays(ServerLink& link, const std::string& table,
                             const std::string& columns) {
    const auto types =
        link.rows("SELECT format_type(a.atttypid, a.atttypmod), a.atttypid,"
                  " a.atttypid IN ('text'::regtype, 'varchar'::regtype)"
                  " FROM unnest(string_to_array($2, ', ')) WITH ORDINALITY AS c (name, n)"
                  " JOIN pg_attribute a ON a.attrelid = $1::regclass AND a.attname = lower(c.name)"
                  " ORDER BY n",
                  {lowered(table), columns});
    if (types.size() != size_t(std::count(columns.begin(), columns.end(), ',') + 1))
        throw ServerError("the server's table " + table + " lacks a column of " + columns, "");
    std::string arrays;
    std::vector<uint32_t> forms;
    for (size_t i = 0; i < types.size(); ++i) {
        arrays += (i == 0 ? "$" : ", $") + std::to_string(i + 1) + "::" + types[i][0] + "[]";
        forms.push_back(types[i][2] == "t" ? uint32_t(std::stoul(types[i][1]))
                                           : ArrayBatch::kTextForm);
    }
    return {"INSERT INTO " + table + " (" + columns +
                ") OVERRIDING SYSTEM VALUE SELECT * FROM unnest(" + arrays + ")",
            ArrayBatch(std::move(forms))};
}

// Never back: a key the server gave before the restore is not given again either. Desks move
// the sequences through the function that moves them only forward; records set up by an
// earlier version, which has none, let them set the sequences.
void keepKeysPast(ServerLink& link, const std::string& sequence, long long wanted) {
    const bool guarded = link.single("SELECT to_regprocedure('medora_move_keys_forward(regclass,"
                                     " bigint)') IS NOT NULL") == "t";
    link.run(std::string("SELECT ") + (guarded ? "medora_move_keys_forward" : "setval") +
                 "($1::regclass, $2) WHERE $2::bigint >"
                 " coalesce(pg_sequence_last_value($1::regclass), 0)",
             {sequence, std::to_string(wanted)});
}

void copyTableIn(ServerLink& link, SqliteFile& in, const MedoraTable& table, RowCounter& counter) {
    const std::string key = serverKey(link, table);
    const std::string columns = columnList(table, key);
    const Query rows = in.prepare("SELECT " + columns + " FROM " + table.name + " ORDER BY " +
                                  (key.empty() ? "rowid" : key));
    const size_t count = size_t(sqlite3_column_count(rows.get()));
    ArrayInsert insert = insertFromArrays(link, table.name, columns);
    CopyPipe pipe(link, link.prepare(insert.sql), std::move(insert.batch));
    ArrayBatch& batch = pipe.batch();
    int rc;
    while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
        for (size_t i = 0; i < count; ++i) {
            const int type = sqlite3_column_type(rows.get(), int(i));
            if (type == SQLITE_NULL)
                batch.addNull(i);
            else if (type == SQLITE_INTEGER)
                batch.addInteger(i, sqlite3_column_int64(rows.get(), int(i)));
            else
                batch.addText(
                    i, reinterpret_cast<const char*>(sqlite3_column_text(rows.get(), int(i))),
                    size_t(sqlite3_column_bytes(rows.get(), int(i))));
        }
        pipe.sendWhenFull();
        counter.step();
    }
    if (rc != SQLITE_DONE)
        throw FileFailure{FileFailure::NotRecords, in.name()};
    pipe.finish();
    const std::string sequence = sequenceOf(link, table, key);
    if (sequence.empty())
        return;
    long long wanted = in.number("SELECT max(" + key + ") FROM " + table.name);
    if (table.autoincrement)
        wanted = std::max(wanted,
                          in.number("SELECT seq FROM sqlite_sequence WHERE name = ?", table.name));
    keepKeysPast(link, sequence, wanted);
}

// The table as the source holds it: a backup of an earlier schema step lacks what later steps
// added, which the server fills with the defaults those steps give. Nothing when the source
// lacks the whole table.
std::optional<MedoraTable> heldBy(SqliteFile& in, const MedoraTable& table) {
    const Query columns = in.prepare("SELECT name FROM pragma_table_info(?)");
    sqlite3_bind_text(columns.get(), 1, table.name.c_str(), -1, SQLITE_TRANSIENT);
    std::vector<std::string> held;
    while (sqlite3_step(columns.get()) == SQLITE_ROW)
        held.push_back(reinterpret_cast<const char*>(sqlite3_column_text(columns.get(), 0)));
    if (held.empty())
        return std::nullopt;
    MedoraTable found = table;
    std::erase_if(found.columns, [&held](const MedoraColumn& column) {
        return std::find(held.begin(), held.end(), column.name) == held.end();
    });
    return found;
}

std::string columnText(sqlite3_stmt* row, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    return text ? std::string(text, size_t(sqlite3_column_bytes(row, column))) : std::string();
}

// The search's keys of every restored patient, made from the source's patients as the program
// makes them; files of any version, with or without keys, restore alike.
void makeSearchKeys(ServerLink& link, SqliteFile& in) {
    const Query patients =
        in.prepare("SELECT ID, first_name, last_name, DOB, telephone FROM patient_info");
    const std::string columns = "word, kind, patient_ID, sort_name";
    ArrayInsert insert = insertFromArrays(link, "search_words", columns);
    CopyPipe pipe(link, link.prepare(insert.sql), std::move(insert.batch));
    ArrayBatch& batch = pipe.batch();
    while (sqlite3_step(patients.get()) == SQLITE_ROW) {
        // A date another program stored unreadably only goes without its key.
        DateTime dob(std::nan(""));
        DateTime::fromIso(columnText(patients.get(), 3), dob);
        const SearchIndex::PatientKeys made = SearchIndex::keysOf(
            sqlite3_column_int64(patients.get(), 0), columnText(patients.get(), 1),
            columnText(patients.get(), 2), dob, columnText(patients.get(), 4));
        for (const auto& [word, kind] : made.keys) {
            batch.addText(0, word.data(), word.size());
            batch.addInteger(1, int(kind));
            batch.addInteger(2, made.patientId);
            batch.addText(3, made.sortName.data(), made.sortName.size());
        }
        pipe.sendWhenFull();
    }
    pipe.finish();
}

// The rows are loaded into tables whose indexes are set aside, and each index is built once
// at the end, where the server offers that; records set up by an earlier version keep their
// indexes up to date row by row.
bool setIndexesAside(ServerLink& link) {
    if (link.single("SELECT to_regprocedure('medora_set_indexes_aside()') IS NOT NULL") != "t")
        return false;
    link.run("SELECT medora_set_indexes_aside()");
    return true;
}

// Other desks see the old records or the new, never a mix: the tables are locked against
// writes, and while their indexes are aside against reads too, until the new records are
// committed. Nothing is committed unless the engine's check has found the source sound.
void replaceRecords(ServerLink& link, SqliteFile& in, bool intoEmpty, RowCounter& counter,
                    const std::string& source, const std::shared_future<bool>& sound) {
    link.run("BEGIN");
    link.run("SET LOCAL lock_timeout = '20s'");
    requireCurrentStep(link);
    link.run("LOCK TABLE " + allTableNames(false) + " IN EXCLUSIVE MODE");
    if (intoEmpty && !link.single("SELECT 1 FROM patient_info LIMIT 1").empty())
        throw FileFailure{FileFailure::HoldsPatients, source};
    const bool indexesAside = setIndexesAside(link);
    // The records on the server keep their identity and their trail, whatever records they
    // now hold.
    for (const MedoraTable& table : MedoraTables::onServer())
        if (replaced(table))
            link.run("DELETE FROM " + table.name);
    for (const MedoraTable& table : MedoraTables::onServer())
        if (!table.derived && replaced(table))
            if (const auto held = heldBy(in, table))
                copyTableIn(link, in, *held, counter);
    makeSearchKeys(link, in);
    if (indexesAside)
        link.run("SELECT medora_build_indexes()");
    // The check may take longer than the copy: meanwhile the transaction is kept from the
    // server's bound on a desk that leaves it waiting.
    while (sound.wait_for(ServerLink::bounds().idle / 4) != std::future_status::ready) {
        if (counter.stopped())
            throw FileFailure{FileFailure::Cancelled, source};
        link.run("SELECT 1");
    }
    if (!sound.get())
        throw FileFailure{FileFailure::NotRecords, source};
    counter.finish();
    link.run("COMMIT");
}

// What the work threw, told as the failure of the operation on `file`; nothing when it went
// through.
std::optional<FileFailure> failureOf(const std::string& file, const std::function<void()>& work) {
    try {
        work();
    } catch (const ServerStopped&) {
        return FileFailure{FileFailure::Cancelled, file};
    } catch (const ServerError& error) {
        return FileFailure::server(error.what());
    } catch (const FileFailure& failure) {
        return failure;
    } catch (const std::bad_alloc&) {
        return FileFailure{FileFailure::OutOfMemory, file};
    }
    return std::nullopt;
}

} // namespace

ServerBackup::ServerBackup(std::string connection, std::string password)
    : m_connection(std::move(connection)), m_password(std::move(password)) {}

ServerBackup::Outcome ServerBackup::backup(const std::string& target,
                                           const Progress& progress) const {
    return BackupProof::write(
        target,
        [&](PendingFile& copy) {
            return failureOf(target, [&] {
                const Progress rows = stretch(progress, 0, kRowsShare);
                RowCounter counter(rows, target);
                ServerLink link(m_connection, m_password, [&counter] { return counter.stopped(); });
                requireCurrentStep(link);
                // The backup keeps the trail as far as its hashes are made.
                AuditTrail::sealOnServer(link);
                link.run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
                // Every table at once, before the snapshot: a restore that sets the indexes
                // aside waits for the whole backup rather than meeting it halfway in a deadlock.
                link.run("LOCK TABLE " + allTableNames() + " IN ACCESS SHARE MODE");
                writeBackup(link, copy.path(), target, counter);
                link.run("COMMIT");
            });
        },
        stretch(progress, kRowsShare, 1));
}

ServerBackup::Outcome ServerBackup::restore(const std::string& source,
                                            const Progress& progress) const {
    return load(source, false, progress);
}

ServerBackup::Outcome ServerBackup::import(const std::string& source,
                                           const Progress& progress) const {
    return load(source, true, progress);
}

// The source is read inside one read transaction of its own, so no other program changes it
// halfway through. The engine's check of every page and row runs beside the copy; the server
// builds its own indexes from the rows, so whether the file's indexes agree with them does not
// matter here.
ServerBackup::Outcome ServerBackup::load(const std::string& source, bool intoEmpty,
                                         const Progress& progress) const {
    if (auto failure = ChosenFile::refusal(source))
        return failure;
    // Stopped on every way out, so that a load that failed or was cancelled does not wait for
    // the check; declared first, it outlives the check, whose future waits for it at its end.
    std::atomic<bool> abandoned = false;
    const std::shared_future<bool> sound = std::async(std::launch::async, [&source, &abandoned] {
        return RecordsFileCheck::rowsAreSound(source, [&abandoned](double) { return !abandoned; });
    });
    const RaiseOnExit abandonOnExit{abandoned};
    return failureOf(source, [&] {
        SqliteFile in(source, source, SQLITE_OPEN_READONLY);
        in.run("BEGIN");
        // The largest rowids give the rows to come closely enough, without reading them all.
        long long total = 0;
        for (const MedoraTable& table : MedoraTables::onServer())
            if (!table.derived && replaced(table) && heldBy(in, table))
                total += in.number("SELECT coalesce(max(rowid), 0) FROM " + table.name);
        RowCounter counter(progress, source);
        counter.setTotal(total);
        ServerLink link(m_connection, m_password, [&counter] { return counter.stopped(); });
        // A desk that stalls, its computer hung or its link gone, holds the clinic's tables
        // only until the server's bound: the server then undoes the restore.
        link.run("SET idle_in_transaction_session_timeout = " +
                 std::to_string(ServerLink::bounds().idle.count()));
        for (int attempt = 1;; ++attempt) {
            try {
                replaceRecords(link, in, intoEmpty, counter, source, sound);
                return;
            } catch (const ServerError& error) {
                link.rollback();
                if (!error.worthRetrying() || attempt == kAttempts)
                    throw;
                counter.restart();
            } catch (...) {
                link.rollback();
                throw;
            }
        }
    });
}

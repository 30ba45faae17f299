// What the audit trail costs: every audited write of the store with the trail beside the same
// write without it, on the records file and on the benchmarks' server; a few reads likewise;
// the check and a one-patient report of a trail of 1,000,000 entries; and the bytes an entry
// takes.
//
// On the file the same statements run on a connection of their own, as the store's operations
// do (open, the statements in one exclusive transaction, close), with and without the trail
// watching the connection, each writing statement's changes entered when it is done, as the
// store's statements enter theirs. On the server the same statements run in two copies of the
// clinic, one whose tables' audit triggers are disabled by the owner.

#include "bench/BareStatement.h"
#include "bench/BenchServer.h"
#include "bench/KeptClinic.h"
#include "bench/LibpqFloor.h"
#include "store/AuditChain.h"
#include "records/AuditReport.h"
#include "records/AuditTrail.h"
#include "store/DateTime.h"
#include "store/FileAuditTrail.h"
#include "store/SchemaSteps.h"
#include "store/VisitStatements.h"
#include "store/store.h"
#include "tools/ClinicGenerator.h"

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sched.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;
using Params = std::vector<BareStatement::Param>;
using Statements = std::vector<BareStatement>;
using Clock = std::chrono::steady_clock;

constexpr int kPatients = 1000;
constexpr long long kLargeTrail = 1000000;
const char* const kTrailClinic = "audit-trail-1m";
const char* const kAudited[] = {"patient_info", "complaints", "history_entries",
                                "patient_medications", "tests", "meds_list", "tests_list",
                                "clinic_info"};

// The statements on a connection open to the records file, every row's columns copied out;
// gives the last row's key.
long long runOn(sqlite3* db, const Statements& statements, FileAuditTrail* trail = nullptr)
{
    std::vector<std::string> out;
    for (const auto& [sql, params, key] : statements) {
        if (trail)
            trail->prepareFor(sql.c_str());
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        for (size_t i = 0; i < params.size(); ++i) {
            const int index = static_cast<int>(i) + 1;
            if (const auto* number = std::get_if<long long>(&params[i]))
                sqlite3_bind_int64(st, index, *number);
            else if (const auto* text = std::get_if<std::string>(&params[i]))
                sqlite3_bind_text(st, index, text->c_str(), -1, SQLITE_TRANSIENT);
            else
                sqlite3_bind_int64(st, index, sqlite3_last_insert_rowid(db));
        }
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                 sqlite3_column_bytes(st, c));
        if (trail && rc == SQLITE_DONE && sqlite3_stmt_readonly(st) == 0)
            trail->statementDone();
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db));
    }
    benchmark::DoNotOptimize(out.data());
    return sqlite3_last_insert_rowid(db);
}

void exec(sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

using Db = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;

// A connection to the records file and, with the trail, the trail watching it, as the store's
// connection has it in an operation that changes the records.
struct FileConnection
{
    Db db;
    std::unique_ptr<FileAuditTrail> trail;
    sqlite3* get() const { return db.get(); }
};

FileConnection openFile(const std::string& path, bool trail)
{
    sqlite3* opened = nullptr;
    if (sqlite3_open_v2(path.c_str(), &opened, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open " + path);
    FileConnection connection{Db(opened, &sqlite3_close_v2), nullptr};
    if (trail)
        connection.trail = std::make_unique<FileAuditTrail>(opened);
    return connection;
}

// With the trail, and the view that enters access made, for the statements run with
// sqlite3_exec.
FileConnection openFileWithAccessView(const std::string& path)
{
    FileConnection connection = openFile(path, true);
    connection.trail->prepareFor(FileAuditTrail::accessView);
    return connection;
}

// A statement run with sqlite3_exec, its changes entered as the store's statements enter theirs.
void execEntered(const FileConnection& db, const std::string& sql)
{
    exec(db.get(), sql.c_str());
    db.trail->statementDone();
}

// Where the timed statements run: a records file or a database of the server, with the trail
// or without.
class Side
{
public:
    virtual ~Side() = default;
    // One operation, timed by the caller.
    virtual long long run(const Statements& statements) = 0;
    // Rows a timed call needs, made beforehand.
    virtual long long make(const Statements& statements) = 0;
    virtual bool keepsTrail() const = 0;
};

// The store's way with the file: a connection for each operation, its statements in one
// exclusive transaction, with the default rollback journal and synchronous=FULL.
class FileSide : public Side
{
public:
    FileSide(std::string path, bool trail) : m_path(std::move(path)), m_trail(trail) {}

    long long run(const Statements& statements) override
    {
        const FileConnection db = openFile(m_path, m_trail);
        exec(db.get(), "BEGIN EXCLUSIVE");
        const long long key = runOn(db.get(), statements, db.trail.get());
        exec(db.get(), "COMMIT");
        return key;
    }
    bool keepsTrail() const override { return m_trail; }
    long long make(const Statements& statements) override
    {
        const FileConnection db = openFile(m_path, false);
        exec(db.get(), "BEGIN EXCLUSIVE");
        const long long key = runOn(db.get(), statements);
        exec(db.get(), "COMMIT");
        return key;
    }

private:
    std::string m_path;
    bool m_trail;
};

// A desk's connection kept open, as the store keeps its own, and another that makes the rows
// a call needs: a row is cheaper to delete for the process that wrote it.
class ServerSide : public Side
{
public:
    explicit ServerSide(const std::string& connection) : m_desk(connection), m_maker(connection) {}
    long long run(const Statements& statements) override { return m_desk.run(statements); }
    long long make(const Statements& statements) override { return m_maker.run(statements); }
    bool keepsTrail() const override { return true; }
    std::vector<int> serverProcesses() { return m_desk.serverProcesses(); }

private:
    LibpqFloor m_desk;
    LibpqFloor m_maker;
};

// The figures each call draws: which patient, which visit, and texts that differ from call to
// call, for SQLite skips writing a row that stays the same.
class Draw
{
public:
    long long patient() { return number(kPatients); }
    long long visit() { return number(ClinicSize::forPatients(kPatients).visits); }
    long long historyEntry() { return number(ClinicSize::forPatients(kPatients).historyEntries); }
    long long medication() { return number(ClinicSize::forPatients(kPatients).medications); }
    long long test() { return number(ClinicSize::forPatients(kPatients).tests); }
    // Unique across the benchmarks and the runs, for names that must be.
    std::string fresh(const std::string& base) { return base + " " + std::to_string(++calls()); }

private:
    long long number(int count)
    {
        return std::uniform_int_distribution<long long>(1, count)(m_random);
    }

    static long long& calls()
    {
        static long long made = std::chrono::system_clock::now().time_since_epoch().count();
        return made;
    }

    std::mt19937 m_random{11};
};

const std::string kDay = DateTime::fromCivil(2025, 3, 4, 10, 30).toIso();

Params visitParams(Draw& draw)
{
    std::vector<std::string> texts(kVisitTextCount);
    texts[visitText("complaint")] = draw.fresh("Cough and fever for three days");
    texts[visitText("diagnosis")] = "Acute bronchitis.";
    texts[visitText("treatment")] = "Rest, fluids, paracetamol 500 mg as needed.";
    Params params{kDay};
    for (std::string& text : texts)
        params.emplace_back(std::move(text));
    return params;
}

// An operation: `prepare` makes, untimed, what it needs and gives its statements.
struct Case
{
    std::string name;
    std::function<Statements(Side&, Draw&)> prepare;
};

Statements one(std::string sql, Params params = {})
{
    return {BareStatement{std::move(sql), std::move(params)}};
}

// The row a delete removes, made beforehand; `key` names its key column, which the server
// gives back.
long long made(Side& side, const char* sql, Params params, const char* key)
{
    return side.make({BareStatement{sql, std::move(params), key}});
}

const char* const kPatientExists = "SELECT 1 FROM patient_info WHERE ID = ?";
const char* const kAddPatient = "INSERT INTO patient_info (first_name, last_name, DOB, Gender,"
                                " address, telephone) VALUES (?, ?, ?, 1, ?, ?)";
const char* const kAddHistory =
    "INSERT INTO history_entries (patient_ID, entry_type, entry_details) VALUES (?, 'Medical', ?)";
const char* const kAddMedication =
    "INSERT INTO patient_medications (patient_ID, name, status) VALUES (?, ?, 'Current')";
const char* const kAddTest =
    "INSERT INTO tests (patient_ID, date, type, results) VALUES (?, ?, 'CBC', ?)";

Statements addToPatient(long long patient, const char* sql, Params params)
{
    return {{kPatientExists, {patient}}, {sql, std::move(params)}};
}

Params visitOf(long long patient, Draw& draw)
{
    Params params = visitParams(draw);
    params.insert(params.begin(), patient);
    return params;
}

std::vector<Case> writeCases()
{
    return {
        {"patient add", [](Side&, Draw& d) {
             return one(kAddPatient, {"Maria", d.fresh("Garcia"), kDay, "12 Oak Avenue", "555-0199"});
         }},
        {"patient update", [](Side&, Draw& d) {
             return one("UPDATE patient_info SET first_name = ?, last_name = ?, DOB = ?, Gender = 1,"
                        " address = ?, telephone = ? WHERE ID = ?",
                        {"Maria", d.fresh("Garcia"), kDay, "12 Oak Avenue", "555-0199", d.patient()});
         }},
        {"patient delete", [](Side& s, Draw& d) {
             return one("DELETE FROM patient_info WHERE ID = ?",
                        {made(s, kAddPatient, {"Gone", d.fresh("Soon"), kDay, "", ""}, "ID")});
         }},
        {"visit add", [](Side&, Draw& d) {
             const long long patient = d.patient();
             return addToPatient(patient, VisitStatements::insert().c_str(), visitOf(patient, d));
         }},
        {"visit update", [](Side&, Draw& d) {
             Params params = visitParams(d);
             params.emplace_back(d.visit());
             return one(VisitStatements::update(), std::move(params));
         }},
        {"visit delete", [](Side& s, Draw& d) {
             const long long visit =
                 made(s, VisitStatements::insert().c_str(), visitOf(d.patient(), d), "compl_ID");
             return one("DELETE FROM complaints WHERE compl_ID = ?", {visit});
         }},
        {"history entry add", [](Side&, Draw& d) {
             const long long patient = d.patient();
             return addToPatient(patient, kAddHistory, {patient, d.fresh("Asthma since childhood")});
         }},
        {"history entry update", [](Side&, Draw& d) {
             return one("UPDATE history_entries SET entry_details = ? WHERE entry_ID = ?",
                        {d.fresh("Asthma since childhood"), d.historyEntry()});
         }},
        {"history entry delete", [](Side& s, Draw& d) {
             return one("DELETE FROM history_entries WHERE entry_ID = ?",
                        {made(s, kAddHistory, {d.patient(), d.fresh("Gone")}, "entry_ID")});
         }},
        {"medication add", [](Side&, Draw& d) {
             const long long patient = d.patient();
             return addToPatient(patient, kAddMedication, {patient, d.fresh("METFORMIN 500MG")});
         }},
        {"medication update", [](Side&, Draw& d) {
             return one("UPDATE patient_medications SET name = ?, status = 'Old Chronic'"
                        " WHERE medication_ID = ?",
                        {d.fresh("METFORMIN 500MG"), d.medication()});
         }},
        {"medication delete", [](Side& s, Draw& d) {
             return one("DELETE FROM patient_medications WHERE medication_ID = ?",
                        {made(s, kAddMedication, {d.patient(), d.fresh("Gone")}, "medication_ID")});
         }},
        {"test add", [](Side&, Draw& d) {
             const long long patient = d.patient();
             return addToPatient(patient, kAddTest, {patient, kDay, d.fresh("Hb 13.1")});
         }},
        {"test update", [](Side&, Draw& d) {
             return one("UPDATE tests SET date = ?, type = 'CBC', results = ? WHERE test_ID = ?",
                        {kDay, d.fresh("Hb 13.1"), d.test()});
         }},
        {"test delete", [](Side& s, Draw& d) {
             return one("DELETE FROM tests WHERE test_ID = ?",
                        {made(s, kAddTest, {d.patient(), kDay, d.fresh("Gone")}, "test_ID")});
         }},
        {"clinic details save", [](Side&, Draw& d) {
             return one("UPDATE clinic_info SET clinic_name = ?, doc_name = ?, doc_qualifications = ?,"
                        " phone = ?, street = ?, city = ?, province = ?, postal_code = ?,"
                        " set_status = 1 WHERE info_ID = 1",
                        {d.fresh("Riverside Clinic"), "Dr. A. Smith", "MD", "555-0100",
                         "1 Main Street", "Springfield", "ON", "K1A 0B1"});
         }},
        {"medication name add", [](Side&, Draw& d) {
             return one("INSERT INTO meds_list (name) VALUES (?)", {d.fresh("AMOXICILLIN 500MG")});
         }},
    };
}

// A record opened, as the store enters it; without the trail, a row of the same words
// written straight into the trail's table, its hashes as long as the chain's.
Case accessCase()
{
    return {"access entry (a record opened)", [](Side& s, Draw& d) {
                const long long patient = d.patient();
                const Params words{std::to_string(patient), patient,
                                   "{\"record\":\"" + std::to_string(patient) + "\"}"};
                if (s.keepsTrail())
                    return one("INSERT INTO medora_access (action, table_name, record_id,"
                               " patient_id, details) VALUES ('open', 'patient_info', ?, ?, ?)",
                               words);
                Params row = words;
                row.emplace_back(std::string(64, 'a'));
                row.emplace_back(std::string(64, 'a'));
                return one("INSERT INTO audit_trail (time_utc, time_local, user_name, desk, action,"
                           " table_name, record_id, patient_id, details, previous_hash, hash)"
                           " VALUES ('2026-12-10T17:25:00.123Z', '2026-12-10T18:25:00.123',"
                           " 'root', 'desk', 'open', 'patient_info', ?, ?, ?, ?, ?)",
                           row);
            }};
}

std::vector<Case> readCases()
{
    return {
        {"patient details fetch", [](Side&, Draw& d) {
             return one("SELECT first_name, last_name, DOB, Gender, address, telephone"
                        " FROM patient_info WHERE ID = ?", {d.patient()});
         }},
        {"visit fetch", [](Side&, Draw& d) { return one(VisitStatements::details(), {d.visit()}); }},
        {"visit list", [](Side&, Draw& d) { return one(VisitStatements::list(), {d.patient()}); }},
    };
}

double medianOf(std::vector<double> samples)
{
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

double microsOf(Side& side, const Case& operation, Draw& draw)
{
    const Statements statements = operation.prepare(side, draw);
    for (const BareStatement& statement : statements)
        for (const BareStatement::Param& param : statement.params)
            if (const auto* number = std::get_if<long long>(&param); number && *number == 0)
                throw std::runtime_error(operation.name + ": a row made for it has no key");
    const auto start = Clock::now();
    side.run(statements);
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// Each iteration makes the call with the trail and the one without, in an order drawn anew,
// so that the load of a shared machine and the disk's flushes fall on both alike; the counters
// give the median call in microseconds and their ratio.
void runSideBySide(benchmark::State& state, const Case& operation, Side& with, Side& without)
{
    Draw draw;
    std::minstd_rand order(7);
    std::vector<double> withMicros, withoutMicros;
    microsOf(with, operation, draw); // each side's first call untimed
    microsOf(without, operation, draw);
    for (auto _ : state) {
        const bool withFirst = order() % 2 == 0;
        double took = 0;
        for (const bool trail : {withFirst, !withFirst}) {
            const double micros = microsOf(trail ? with : without, operation, draw);
            (trail ? withMicros : withoutMicros).push_back(micros);
            took += micros;
        }
        state.SetIterationTime(took / 1e6);
    }
    const double trail = medianOf(withMicros);
    const double bare = medianOf(withoutMicros);
    state.counters["trail_us"] = trail;
    state.counters["without_us"] = bare;
    state.counters["x_without"] = trail / bare;
}

// The clinic of 1,000 patients as generated, with an empty trail, kept for later runs.
fs::path cleanClinic()
{
    enterKeptClinic("audit-1000", kPatients);
    return fs::current_path() / "clinic_db.mdb";
}

// A fresh copy of that clinic for the writes, whose rows and trail grow as they run.
std::string writtenFile()
{
    static const std::string path = [] {
        const fs::path clean = cleanClinic();
        const fs::path copy = clean.parent_path() / "written.mdb";
        fs::copy_file(clean, copy, fs::copy_options::overwrite_existing);
        return copy.string();
    }();
    return path;
}

// `count` real changes through the trail, in transactions of 100,000: the telephone of
// each patient in turn, so that every patient has count / 1,000 entries.
void changeThroughTrail(const std::string& path, long long count)
{
    const FileConnection db = openFileWithAccessView(path);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.get(), "UPDATE patient_info SET telephone = ? WHERE ID = ?", -1, &st,
                           nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db.get()));
    for (long long i = 0; i < count; ++i) {
        if (i % 100000 == 0)
            exec(db.get(), i == 0 ? "BEGIN" : "COMMIT; BEGIN");
        const std::string telephone = "555-" + std::to_string(i);
        sqlite3_bind_text(st, 1, telephone.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, i % kPatients + 1);
        if (sqlite3_step(st) != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db.get()));
        db.trail->statementDone();
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    exec(db.get(), "COMMIT");
}

// The clinic with a trail of 1,000,000 entries, made once and kept.
std::string largeTrailFile()
{
    enterKeptClinic(kTrailClinic, kPatients, [] {
        changeThroughTrail("clinic_db.mdb", kLargeTrail);
        return std::string();
    });
    // The store brings the file to the current step: the index the report reads by.
    PatientDetails().Fetch("1");
    const std::string path = (fs::current_path() / "clinic_db.mdb").string();
    readWhole(path);
    return path;
}

void fileCase(benchmark::State& state, const Case& operation, bool write)
{
    if (write) {
        FileSide with(writtenFile(), true), without(writtenFile(), false);
        runSideBySide(state, operation, with, without);
        return;
    }
    // Reads: the store keeps no trail for them, so what the trail could cost them is only its
    // entries in the file.
    FileSide with(largeTrailFile(), false), without(cleanClinic().string(), false);
    readWhole(cleanClinic());
    runSideBySide(state, operation, with, without);
}

// The server's two copies of the clinic: the audited one, and one whose triggers are off.
struct ServerCopies
{
    std::string audited;
    std::string unaudited;
};

const ServerCopies& serverCopies()
{
    static const ServerCopies copies = [] {
        BenchServer& server = BenchServer::shared();
        ServerCopies made{server.copyOfClinic(kPatients, "audit_on"),
                          server.copyOfClinic(kPatients, "audit_off")};
        for (const char* table : kAudited)
            server.asOwner("audit_off", std::string("ALTER TABLE ") + table +
                                            " DISABLE TRIGGER medora_audit");
        return made;
    }();
    return copies;
}

// This program and the given processes on the processor it runs on, until it goes out of scope:
// a round trip between two processors of this virtual machine costs about twice one within a
// processor, and where the system put each copy's server process would decide their ratio.
class OneProcessor
{
public:
    explicit OneProcessor(const std::vector<int>& processes)
    {
        sched_getaffinity(0, sizeof m_previous, &m_previous);
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        sched_setaffinity(0, sizeof one, &one);
        for (const int process : processes)
            sched_setaffinity(process, sizeof one, &one);
    }
    ~OneProcessor() { sched_setaffinity(0, sizeof m_previous, &m_previous); }
    OneProcessor(const OneProcessor&) = delete;
    OneProcessor& operator=(const OneProcessor&) = delete;

private:
    cpu_set_t m_previous;
};

void serverCase(benchmark::State& state, const Case& operation)
{
    ServerSide with(serverCopies().audited), without(serverCopies().unaudited);
    std::vector<int> processes = with.serverProcesses();
    for (const int process : without.serverProcesses())
        processes.push_back(process);
    const OneProcessor together(processes);
    runSideBySide(state, operation, with, without);
}

// The whole trail read and its chain checked, as medora-admin audit verify does.
long long verified(const std::function<void(const AuditTrail::Take&)>& each)
{
    AuditChain::Walk walk;
    std::optional<AuditChain::Break> broken;
    each([&](const AuditEntry& entry) {
        if (!broken)
            broken = walk.next(entry);
    });
    if (broken)
        throw std::runtime_error(broken->why);
    return walk.entries();
}

// One patient's entries as medora-admin audit report writes them.
size_t reportOfOne(const std::function<std::vector<AuditEntry>(const AuditReport::Filter&)>& read)
{
    AuditReport::Filter filter;
    filter.patient = "500";
    std::ostringstream csv;
    AuditReport::write(csv, read(filter), filter);
    return csv.str().size();
}

void BM_VerifyLargeTrailFile(benchmark::State& state)
{
    const std::string path = largeTrailFile();
    long long entries = 0;
    for (auto _ : state)
        entries = verified([&](const AuditTrail::Take& take) { AuditTrail::eachOfFile(path, take); });
    state.counters["entries"] = double(entries);
}

void BM_ReportOnePatientFile(benchmark::State& state)
{
    const std::string path = largeTrailFile();
    size_t bytes = 0;
    for (auto _ : state)
        bytes = reportOfOne([&](const AuditReport::Filter& f) { return AuditTrail::ofFile(path, f); });
    state.counters["csv_bytes"] = double(bytes);
}

// The server's copy of the clinic with a trail of 1,000,000 entries through its triggers,
// kept between runs: each patient's telephone changed 1,000 times, a statement each time.
std::string largeTrailServer()
{
    BenchServer& server = BenchServer::shared();
    static const std::string owner = [&server] {
        // Made anew at each step of the schema, whose indexes the report reads by.
        const std::string name = "audit_trail_1m_step_" + std::to_string(SchemaSteps::current());
        if (!server.hasCopy(name)) {
            {
                LibpqFloor desk(server.copyOfClinic(kPatients, name + "_making"));
                for (long long round = 0; round < kLargeTrail / kPatients; ++round)
                    desk.run(one("UPDATE patient_info SET telephone = ?",
                                 {"555-" + std::to_string(round)}));
            }
            server.asOwner(name + "_making", "SELECT medora_audit_seal()");
            server.asOwner("postgres", "ALTER DATABASE " + name + "_making RENAME TO " + name);
        }
        server.asOwner(name, "VACUUM ANALYZE audit_trail");
        return server.ownerConnection(name);
    }();
    return owner;
}

void BM_VerifyLargeTrailServer(benchmark::State& state)
{
    const std::string connection = largeTrailServer();
    long long entries = 0;
    for (auto _ : state)
        entries = verified([&](const AuditTrail::Take& take) {
            AuditTrail::eachOfServer(connection, {}, take);
        });
    state.counters["entries"] = double(entries);
}

// The hashes of 10,000 entries that the writers left, made as a reader of the chain makes
// them: each patient's telephone changed ten times beforehand, untimed.
void BM_HashEntriesServer(benchmark::State& state)
{
    constexpr long long kRounds = 10;
    LibpqFloor desk(serverCopies().audited);
    BenchServer::shared().asOwner("audit_on", "SELECT medora_audit_seal()");
    for (auto _ : state) {
        state.PauseTiming();
        for (long long round = 0; round < kRounds; ++round)
            desk.run(one("UPDATE patient_info SET telephone = ?", {"555-" + std::to_string(round)}));
        state.ResumeTiming();
        BenchServer::shared().asOwner("audit_on", "SELECT medora_audit_seal()");
    }
    state.counters["entries"] = double(kRounds * kPatients);
}

void BM_ReportOnePatientServer(benchmark::State& state)
{
    const std::string connection = largeTrailServer();
    size_t bytes = 0;
    for (auto _ : state)
        bytes = reportOfOne(
            [&](const AuditReport::Filter& f) { return AuditTrail::ofServer(connection, {}, f); });
    state.counters["csv_bytes"] = double(bytes);
}


// The tables whose changes the sizes are measured on, each with a column set to itself: the
// trail enters every row an UPDATE touches, changed or not.
struct SizedTable
{
    const char* table;
    const char* column;
};

const SizedTable kSized[] = {{"patient_info", "telephone"},       {"complaints", "complaint"},
                             {"history_entries", "entry_details"}, {"patient_medications", "name"},
                             {"tests", "results"},                 {"clinic_info", "clinic_name"}};

constexpr long long kSizedEntries = 10000;

double singleNumber(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    const double value = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_double(st, 0) : 0;
    sqlite3_finalize(st);
    return value;
}

// The bytes the table and its indexes take in the file's pages, their free space left out.
double usedBytes(sqlite3* db, const std::string& table)
{
    return singleNumber(db, "SELECT sum(pgsize - unused) FROM dbstat WHERE name IN (SELECT name"
                            " FROM sqlite_schema WHERE tbl_name = '" + table + "')");
}

// The UPDATE that enters `count` entries, each the old row of `sized`, all rows in turn.
void enterChanges(const FileConnection& db, const SizedTable& sized, long long count)
{
    const std::string table = sized.table;
    const double rows = singleNumber(db.get(), "SELECT count(*) FROM " + table);
    for (long long entered = 0; entered < count; entered += (long long)rows)
        execEntered(db, "UPDATE " + table + " SET " + sized.column + " = " + sized.column +
                            " WHERE rowid IN (SELECT rowid FROM " + table + " LIMIT " +
                            std::to_string(std::min<long long>(count - entered, (long long)rows)) +
                            ")");
}

// An access entry as a desk enters it on opening a record: short details, the chain's hashes.
std::string accessEntryValues(long long i)
{
    const std::string hash(64, 'a');
    return "('2026-12-10T17:25:00.123Z', '2026-12-10T18:25:00.123', 'dr_audit', 'front-desk',"
           " 'access', 'patient_info', '" + std::to_string(i % 1000 + 1) + "', " +
           std::to_string(i % 1000 + 1) + ", '{\"record\":\"" + std::to_string(i % 1000 + 1) +
           "\"}', '" + hash + "', '" + hash + "')";
}

const char* const kAuditColumns =
    "INSERT INTO audit_trail (time_utc, time_local, user_name, desk, action, table_name,"
    " record_id, patient_id, details, previous_hash, hash) VALUES ";

void enterAccesses(const std::function<void(const std::string&)>& run, long long count)
{
    for (long long i = 0; i < count; i += 1000) {
        std::string sql = kAuditColumns;
        for (long long j = i; j < i + 1000; ++j)
            sql += (j == i ? "" : ", ") + accessEntryValues(j);
        run(sql);
    }
}

// The bytes of the file's pages an entry takes, against the old row it keeps, per table; and
// those of an access entry.
void BM_EntrySizesFile(benchmark::State& state)
{
    const fs::path copy = cleanClinic().parent_path() / "sizes.mdb";
    for (auto _ : state) {
        fs::copy_file(cleanClinic(), copy, fs::copy_options::overwrite_existing);
        const FileConnection db = openFileWithAccessView(copy.string());
        exec(db.get(), "BEGIN");
        for (const SizedTable& sized : kSized) {
            const std::string table = sized.table;
            const double rows = singleNumber(db.get(), "SELECT count(*) FROM " + table);
            const double row = singleNumber(db.get(), "SELECT sum(pgsize - unused) FROM dbstat"
                                                      " WHERE name = '" + table + "'") / rows;
            const double before = usedBytes(db.get(), "audit_trail");
            enterChanges(db, sized, kSizedEntries);
            const double entry = (usedBytes(db.get(), "audit_trail") - before) / kSizedEntries;
            state.counters[table + " row"] = row;
            state.counters[table + " entry"] = entry;
            state.counters[table + " entry - row"] = entry - row;
        }
        const double before = usedBytes(db.get(), "audit_trail");
        enterAccesses([&](const std::string& sql) { exec(db.get(), sql.c_str()); }, kSizedEntries);
        state.counters["access entry"] = (usedBytes(db.get(), "audit_trail") - before) / kSizedEntries;
        exec(db.get(), "COMMIT");
    }
    fs::remove(copy);
}

// On the server: the row as the heap holds it (its header and line pointer included), and
// what the trail's table, its indexes and its TOAST grow by for each entry.
void BM_EntrySizesServer(benchmark::State& state)
{
    BenchServer& server = BenchServer::shared();
    for (auto _ : state) {
        server.copyOfClinic(kPatients, "audit_sizes");
        const std::string owner = server.ownerConnection("audit_sizes");
        PGconn* db = PQconnectdb(owner.c_str());
        const auto number = [db](const std::string& sql) {
            PGresult* result = PQexec(db, sql.c_str());
            if (PQresultStatus(result) != PGRES_TUPLES_OK && PQresultStatus(result) != PGRES_COMMAND_OK) {
                const std::string why = PQresultErrorMessage(result);
                PQclear(result);
                throw std::runtime_error(why);
            }
            const double value = PQntuples(result) > 0 ? std::atof(PQgetvalue(result, 0, 0)) : 0;
            PQclear(result);
            return value;
        };
        // The hashes made after the entries, and the trail written anew without the earlier
        // versions that their making leaves and the room they took: what the entries
        // themselves take. (Between two vacuums the trail also holds the versions before the
        // hashes, and its index by number keeps some of their room.)
        const auto trailBytes = [&] {
            number("SELECT medora_audit_seal()");
            number("VACUUM FULL audit_trail");
            return number("SELECT pg_total_relation_size('audit_trail')");
        };
        for (const SizedTable& sized : kSized) {
            const std::string table = sized.table;
            const double row = number("SELECT avg(pg_column_size(t.*)) + 4 FROM " + table + " t");
            const double rows = number("SELECT count(*) FROM " + table);
            const auto enter = [&] {
                number("BEGIN");
                for (long long entered = 0; entered < kSizedEntries; entered += (long long)rows)
                    number("UPDATE " + table + " SET " + sized.column + " = " + sized.column +
                           " WHERE ctid IN (SELECT ctid FROM " + table + " LIMIT " +
                           std::to_string(std::min<long long>(kSizedEntries - entered,
                                                              (long long)rows)) + ")");
                number("COMMIT");
            };
            const double before = trailBytes();
            const double first = number("SELECT coalesce(max(entry_id), 0) FROM audit_trail");
            enter();
            const double entry = (trailBytes() - before) / kSizedEntries;
            state.counters[table + " row"] = row;
            state.counters[table + " entry"] = entry;
            state.counters[table + " entry heap"] = number(
                "SELECT avg(pg_column_size(a.*)) + 4 FROM audit_trail a WHERE entry_id > " +
                std::to_string((long long)first));
            state.counters[table + " entry - row"] = entry - row;
        }
        const double before = trailBytes();
        const double first = number("SELECT coalesce(max(entry_id), 0) FROM audit_trail");
        enterAccesses([&](const std::string& sql) { number(sql); }, kSizedEntries);
        state.counters["access entry"] = (trailBytes() - before) / kSizedEntries;
        state.counters["access entry heap"] = number(
            "SELECT avg(pg_column_size(a.*)) + 4 FROM audit_trail a WHERE entry_id > " +
            std::to_string((long long)first));
        PQfinish(db);
        server.dropCopy("audit_sizes");
    }
}

} // namespace

int main(int argc, char** argv)
{
    for (const bool write : {true, false})
        for (const Case& operation : write ? writeCases() : readCases()) {
            benchmark::RegisterBenchmark(("file: " + operation.name).c_str(),
                                         [operation, write](benchmark::State& s) {
                                             fileCase(s, operation, write);
                                         })
                ->UseManualTime()
                ->Unit(benchmark::kMicrosecond)
                ->MinTime(write ? 1.0 : 0.5);
            benchmark::RegisterBenchmark(("server: " + operation.name).c_str(),
                                         [operation](benchmark::State& s) {
                                             serverCase(s, operation);
                                         })
                ->UseManualTime()
                ->Unit(benchmark::kMicrosecond)
                ->MinTime(write ? 1.0 : 0.5);
        }
    benchmark::RegisterBenchmark(("file: " + accessCase().name).c_str(),
                                 [](benchmark::State& s) { fileCase(s, accessCase(), true); })
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(1.0);
    benchmark::RegisterBenchmark("file: verify 1,000,000 entries", BM_VerifyLargeTrailFile)
        ->Unit(benchmark::kMillisecond)->Iterations(1);
    benchmark::RegisterBenchmark("file: report of one patient of 1,000,000 entries",
                                 BM_ReportOnePatientFile)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("server: verify 1,000,000 entries", BM_VerifyLargeTrailServer)
        ->Unit(benchmark::kMillisecond)->Iterations(1);
    benchmark::RegisterBenchmark("server: hashes of 10,000 entries", BM_HashEntriesServer)
        ->Unit(benchmark::kMillisecond)->Iterations(5);
    benchmark::RegisterBenchmark("server: report of one patient of 1,000,000 entries",
                                 BM_ReportOnePatientServer)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("file: bytes of an entry", BM_EntrySizesFile)->Iterations(1);
    benchmark::RegisterBenchmark("server: bytes of an entry", BM_EntrySizesServer)->Iterations(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

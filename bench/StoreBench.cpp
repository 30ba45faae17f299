// Each store operation at a small and a large clinic, on the records file and on a PostgreSQL
// server over the loopback address, beside its floor: the same statements written with bare
// sqlite3 calls (open, the statements, close, the same durability), or with bare libpq calls on
// a connection kept open, one serializable transaction as in the store.

#include "bench/BareStatement.h"
#include "bench/BenchServer.h"
#include "tools/ClinicGenerator.h"
#include "bench/KeptClinic.h"
#include "bench/LibpqFloor.h"
#include "store/SearchIndex.h"
#include "store/VisitStatements.h"
#include "store/store.h"

#include <benchmark/benchmark.h>
#include <sched.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>

namespace {

using Params = std::vector<BareStatement::Param>;
using Statements = std::vector<BareStatement>;

const std::vector<std::string>& visitTexts()
{
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t(kVisitTextCount, std::string(40, 'f'));
        t[visitText("complaint")] = "Cough and fever for three days, worse at night.";
        t[visitText("temp")] = "38.2";
        t[visitText("bp")] = "130/85";
        t[visitText("diagnosis")] = "Acute bronchitis.";
        t[visitText("treatment")] =
            "Rest, fluids, paracetamol 500 mg as needed; review in one week if not better.";
        return t;
    }();
    return texts;
}

const char* const visitInsertSql = VisitStatements::insert().c_str();

std::vector<std::string> visitTexts(const std::string& treatment)
{
    std::vector<std::string> texts = visitTexts();
    texts[visitText("treatment")] = treatment;
    return texts;
}

Params visitParams(long long patient, const std::string& treatment = visitTexts().back())
{
    Params params{patient, DateTime::fromCivil(2025, 3, 4, 10, 30).toIso()};
    for (const std::string& text : visitTexts(treatment))
        params.emplace_back(text);
    return params;
}

// Runs the statements on a connection of their own to the records file, every row's columns
// copied out; more than one statement run as one transaction.
long long fileFloor(const Statements& statements)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2("clinic_db.mdb", &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open");
    const bool several = statements.size() > 1;
    if (several)
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    std::vector<std::string> out;
    for (const auto& [sql, params, key] : statements) {
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
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db));
    }
    if (several)
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const long long lastId = sqlite3_last_insert_rowid(db);
    sqlite3_close(db);
    benchmark::DoNotOptimize(out.data());
    return lastId;
}

// Where a clinic's records are kept.
enum class Records { File, Server };

// A made-up clinic, generated once and kept for later runs: a records file in a folder of its
// own, or a database on the benchmarks' server copied from that file.
class Clinic
{
public:
    Clinic(int patients, Records records)
        : m_name("clinic-" + std::to_string(patients)), m_size(ClinicSize::forPatients(patients))
    {
        if (records == Records::File) {
            enterKeptClinic(m_name, patients);
        } else {
            m_connection = BenchServer::shared().clinic(patients);
            m_server = std::make_unique<LibpqFloor>(m_connection);
            m_maker = std::make_unique<LibpqFloor>(m_connection);
        }
        tidy();
    }

    // Back to the clinic as generated, its keys counting from 1: the rows that the write
    // benchmarks added go, so that every benchmark reads the same clinic, in this run and the
    // next. (Name lists grow by thousands of names a run otherwise.)
    void tidy()
    {
        enter();
        const auto beyond = [](const char* sql, int count) {
            return BareStatement{sql, {static_cast<long long>(count)}};
        };
        make({beyond("DELETE FROM patient_info WHERE ID > ?", m_size.patients),
              beyond("DELETE FROM complaints WHERE compl_ID > ?", m_size.visits),
              beyond("DELETE FROM history_entries WHERE entry_ID > ?", m_size.historyEntries),
              beyond("DELETE FROM patient_medications WHERE medication_ID > ?", m_size.medications),
              beyond("DELETE FROM tests WHERE test_ID > ?", m_size.tests),
              beyond("DELETE FROM meds_list WHERE rowid > ?", m_size.medicationNames),
              beyond("DELETE FROM tests_list WHERE rowid > ?", m_size.testTypes)});
    }

    // Makes this clinic the store's.
    void enter() const
    {
        if (m_server) {
            setenv("MEDORA_DATABASE", m_connection.c_str(), 1);
            return;
        }
        unsetenv("MEDORA_DATABASE");
        enterKeptClinic(m_name, m_size.patients);
    }

    // Reads the clinic's files, so that the system holds them in memory whatever ran before.
    void warm() const
    {
        if (m_server) {
            BenchServer::shared().warm(m_size.patients);
            return;
        }
        enterKeptClinic(m_name, m_size.patients);
        readWhole("clinic_db.mdb");
    }

    // The floor: the statements run with the engine's bare calls.
    long long bare(const Statements& statements)
    {
        return m_server ? m_server->run(statements) : fileFloor(statements);
    }
    long long bare(const char* sql, const Params& params = {}, const char* key = nullptr)
    {
        return bare(Statements{{sql, params, key}});
    }

    // Rows a timed call needs, made beforehand on a connection of their own: on the server, a
    // row read by the process that wrote it comes cheaper (about 40 µs a delete) than one
    // written by another, as the floor's rows would be for the store.
    long long make(const Statements& statements)
    {
        return m_maker ? m_maker->run(statements) : fileFloor(statements);
    }
    long long make(const char* sql, const Params& params = {}, const char* key = nullptr)
    {
        return make(Statements{{sql, params, key}});
    }

    // The server's processes serving this clinic, the store's and the floor's.
    std::vector<int> serverProcesses() { return m_server->serverProcesses(); }

    long long patient() { return draw(m_size.patients); }
    long long visit() { return draw(m_size.visits); }
    std::string text(long long key) const { return std::to_string(key); }
    // A text that differs from call to call: SQLite skips writing a row that stays the same.
    std::string fresh(const std::string& base) { return base + std::to_string(++m_calls); }

    // The row a timed delete removes, made beforehand without timing.
    long long m_pending = 0;

private:
    long long draw(int count) { return std::uniform_int_distribution<long long>(1, count)(m_random); }

    std::string m_name;
    ClinicSize m_size;
    std::string m_connection;
    std::unique_ptr<LibpqFloor> m_server;
    std::unique_ptr<LibpqFloor> m_maker;
    std::mt19937 m_random{3};
    long long m_calls = 0;
};

const char* const patientExistsSql = "SELECT 1 FROM patient_info WHERE ID = ?";

// The store's two statements of an addition to a patient's records, the patient's number
// being the first parameter: the patient is still there, and the row.
// The INSERT with which the store writes a patient's search keys, all in one statement, the
// keys made in the floor as the store makes them.
BareStatement searchKeysInsert(const BareStatement::Param& patient, const std::string& firstName,
                               const std::string& lastName, DateTime dob,
                               const std::string& telephone)
{
    const SearchIndex::PatientKeys keys =
        SearchIndex::keysOf(0, firstName, lastName, dob, telephone);
    BareStatement insert{"INSERT INTO search_words (word, kind, patient_ID, sort_name) VALUES"};
    for (const auto& [word, kind] : keys.keys) {
        insert.sql += insert.params.empty() ? " (?, ?, ?, ?)" : ", (?, ?, ?, ?)";
        insert.params.emplace_back(word);
        insert.params.emplace_back(static_cast<long long>(kind));
        insert.params.push_back(patient);
        insert.params.emplace_back(keys.sortName);
    }
    return insert;
}

constexpr const char* kRemoveSearchKeys = "DELETE FROM search_words WHERE patient_ID = ?";

Statements addToPatient(const char* insertSql, Params params, const char* key = nullptr)
{
    const BareStatement::Param patient = params.front();
    return {{patientExistsSql, {patient}}, {insertSql, std::move(params), key}};
}

// A patient with ten visits, three history entries, two medications and three tests.
long long makeFullPatient(Clinic& c)
{
    const long long id = c.make("INSERT INTO patient_info (first_name, last_name, DOB, Gender,"
                                " address, telephone) VALUES ('Gone', 'Soon', '1970-01-01 00:00:00',"
                                " 0, '', '')", {}, "ID");
    Statements rows(10, {visitInsertSql, visitParams(id)});
    rows.push_back(searchKeysInsert(id, "Gone", "Soon", DateTime::fromCivil(1970, 1, 1), ""));
    for (int i = 0; i < 3; ++i) {
        rows.push_back({"INSERT INTO history_entries (patient_ID, entry_type, entry_details)"
                        " VALUES (?, 'Medical', 'Asthma since childhood')", {id}});
        rows.push_back({"INSERT INTO tests (patient_ID, date, type, results)"
                        " VALUES (?, '2025-01-01 09:00:00', 'CBC', 'Hb 13.1')", {id}});
    }
    for (int i = 0; i < 2; ++i)
        rows.push_back({"INSERT INTO patient_medications (patient_ID, name, status)"
                        " VALUES (?, 'METFORMIN 500MG', 'Old Chronic')", {id}});
    c.make(rows);
    return id;
}

struct Case
{
    std::string name;
    std::function<bool(Clinic&)> store;
    std::function<void(Clinic&)> floor;
    std::function<void(Clinic&)> prepare = nullptr; // untimed, before every call
};

std::string uniqueName()
{
    static const long long run = std::chrono::system_clock::now().time_since_epoch().count();
    static long long count = 0;
    return "BENCH " + std::to_string(run) + " " + std::to_string(++count);
}

std::vector<Case> readCases()
{
    return {
        {"PatientNameList::FetchAll", [](Clinic&) { return PatientNameList().FetchAll(); },
         [](Clinic& c) { c.bare("SELECT ID, first_name, last_name FROM patient_info ORDER BY ID"); }},
        {"PatientNameList::FetchByID",
         [](Clinic& c) { return PatientNameList().FetchByID(c.text(c.patient())); },
         [](Clinic& c) { c.bare("SELECT ID, first_name, last_name FROM patient_info WHERE ID = ?", {c.patient()}); }},
        {"PatientDetails::Fetch", [](Clinic& c) { return PatientDetails().Fetch(c.text(c.patient())); },
         [](Clinic& c) { c.bare("SELECT first_name, last_name, DOB, Gender, address, telephone"
                                " FROM patient_info WHERE ID = ?", {c.patient()}); }},
        {"PatientDetails::FetchAge", [](Clinic& c) { return PatientDetails().FetchAge(c.text(c.patient())); },
         [](Clinic& c) { c.bare("SELECT DOB FROM patient_info WHERE ID = ?", {c.patient()}); }},
        {"ComplaintList::Fetch", [](Clinic& c) { return ComplaintList().Fetch(c.text(c.patient())); },
         [](Clinic& c) { c.bare(VisitStatements::list().c_str(), {c.patient()}); }},
        {"ComplaintList::FetchDetails", [](Clinic& c) { return ComplaintList().FetchDetails(c.text(c.visit())); },
         [](Clinic& c) { c.bare(VisitStatements::details().c_str(), {c.visit()}); }},
        {"HistoryEntryList::Fetch",
         [](Clinic& c) { return HistoryEntryList().Fetch(c.text(c.patient()), "Medical"); },
         [](Clinic& c) { c.bare("SELECT entry_ID, entry_details FROM history_entries"
                                " WHERE patient_ID = ? AND entry_type = ? ORDER BY entry_ID",
                                {c.patient(), "Medical"}); }},
        {"PatientMedicationList::Fetch",
         [](Clinic& c) { return PatientMedicationList().Fetch(c.text(c.patient())); },
         [](Clinic& c) { c.bare("SELECT medication_ID, name, status FROM patient_medications"
                                " WHERE patient_ID = ? ORDER BY medication_ID", {c.patient()}); }},
        {"TestList::Fetch", [](Clinic& c) { return TestList().Fetch(c.text(c.patient())); },
         [](Clinic& c) { c.bare("SELECT test_ID, date, type, results FROM tests WHERE patient_ID = ?"
                                " ORDER BY test_ID", {c.patient()}); }},
        {"MedicationNameList::FetchAll", [](Clinic&) { return MedicationNameList().FetchAll(); },
         [](Clinic& c) { c.bare("SELECT name FROM meds_list ORDER BY rowid"); }},
        {"MedicationNameList::AddName(known)", [](Clinic&) { return MedicationNameList().AddName("METFORMIN 500MG"); },
         [](Clinic& c) { c.bare("SELECT 1 FROM meds_list WHERE name = ?", {"METFORMIN 500MG"}); }},
        {"TestTypeList::FetchAll", [](Clinic&) { return TestTypeList().FetchAll(); },
         [](Clinic& c) { c.bare("SELECT name FROM tests_list ORDER BY rowid"); }},
        {"ClinicInfo::Fetch", [](Clinic&) { return ClinicInfo().Fetch(); },
         [](Clinic& c) { c.bare("SELECT set_status, clinic_name, doc_name, doc_qualifications, phone, street,"
                                " city, province, postal_code FROM clinic_info ORDER BY info_ID LIMIT 1"); }},
    };
}

std::vector<Case> writeCases()
{
    const DateTime day = DateTime::fromCivil(2025, 3, 4, 10, 30);
    const std::string iso = day.toIso();
    return {
        {"PatientRecord::Add",
         [=](Clinic&) { return PatientRecord().Add("Maria", "García", day, 1, "12 Oak Avenue\nSpringfield", "555-0199"); },
         [=](Clinic& c) { c.bare({{"INSERT INTO patient_info (first_name, last_name, DOB, Gender, address, telephone)"
                                  " VALUES (?, ?, ?, ?, ?, ?)", {"Maria", "García", iso, 1LL, "12 Oak Avenue\nSpringfield", "555-0199"},
                                  "ID"},
                                 searchKeysInsert(BareStatement::KeyBefore{}, "Maria", "García", day, "555-0199")}); }},
        {"PatientRecord::Update",
         [=](Clinic& c) { return PatientRecord().Update(c.text(c.patient()), "Maria", "García", day, 1, "12 Oak Avenue", c.fresh("555-")); },
         [=](Clinic& c) { const long long id = c.patient();
             const std::string phone = c.fresh("555-");
             c.bare({{"UPDATE patient_info SET first_name = ?, last_name = ?, DOB = ?, Gender = ?,"
                      " address = ?, telephone = ? WHERE ID = ?",
                      {"Maria", "García", iso, 1LL, "12 Oak Avenue", phone, id}},
                     {kRemoveSearchKeys, {id}},
                     searchKeysInsert(id, "Maria", "García", day, phone)}); }},
        {"PatientRecord::DeleteWithRecords",
         [](Clinic& c) { return PatientRecord().DeleteWithRecords(c.text(c.m_pending)); },
         [](Clinic& c) { const long long id = c.m_pending;
             c.bare({{"DELETE FROM patient_info WHERE ID = ?", {id}},
                     {"DELETE FROM complaints WHERE patient_ID = ?", {id}},
                     {"DELETE FROM history_entries WHERE patient_ID = ?", {id}},
                     {"DELETE FROM tests WHERE patient_ID = ?", {id}},
                     {"DELETE FROM patient_medications WHERE patient_ID = ?", {id}},
                     {kRemoveSearchKeys, {id}}}); },
         [](Clinic& c) { c.m_pending = makeFullPatient(c); }},
        {"ComplaintRecord::Add",
         [=](Clinic& c) { return ComplaintRecord().Add(c.text(c.patient()), day, visitTexts()); },
         [](Clinic& c) { c.bare(addToPatient(visitInsertSql, visitParams(c.patient()), "compl_ID")); }},
        {"ComplaintRecord::Update",
         [=](Clinic& c) { return ComplaintRecord().Update(c.text(c.visit()), "1", day, visitTexts(c.fresh("Review "))); },
         [](Clinic& c) {
             Params params = visitParams(0, c.fresh("Review "));
             params.erase(params.begin());
             params.emplace_back(c.visit());
             c.bare(VisitStatements::update().c_str(), params); }},
        {"ComplaintRecord::Delete", [](Clinic& c) { return ComplaintRecord().Delete(c.text(c.m_pending)); },
         [](Clinic& c) { c.bare("DELETE FROM complaints WHERE compl_ID = ?", {c.m_pending}); },
         [](Clinic& c) { c.m_pending = c.make(visitInsertSql, visitParams(c.patient()), "compl_ID"); }},
        {"HistoryEntryRecord::Add",
         [](Clinic& c) { return HistoryEntryRecord().Add(c.text(c.patient()), "Allergies", "Penicillin: hives"); },
         [](Clinic& c) { c.bare(addToPatient("INSERT INTO history_entries (patient_ID, entry_type, entry_details)"
                                             " VALUES (?, ?, ?)", {c.patient(), "Allergies", "Penicillin: hives"})); }},
        {"HistoryEntryRecord::Delete", [](Clinic& c) { return HistoryEntryRecord().Delete(c.text(c.m_pending)); },
         [](Clinic& c) { c.bare("DELETE FROM history_entries WHERE entry_ID = ?", {c.m_pending}); },
         [](Clinic& c) { c.m_pending = c.make("INSERT INTO history_entries (patient_ID, entry_type, entry_details)"
                                              " VALUES (?, 'Social', 'Smoker')", {c.patient()}, "entry_ID"); }},
        {"PatientMedicationRecord::Add",
         [](Clinic& c) { return PatientMedicationRecord().Add(c.text(c.patient()), "ATORVASTATIN 20MG", "New Chronic"); },
         [](Clinic& c) { c.bare(addToPatient("INSERT INTO patient_medications (patient_ID, name, status)"
                                             " VALUES (?, ?, ?)", {c.patient(), "ATORVASTATIN 20MG", "New Chronic"})); }},
        {"PatientMedicationRecord::Delete",
         [](Clinic& c) { return PatientMedicationRecord().Delete(c.text(c.m_pending)); },
         [](Clinic& c) { c.bare("DELETE FROM patient_medications WHERE medication_ID = ?", {c.m_pending}); },
         [](Clinic& c) { c.m_pending = c.make("INSERT INTO patient_medications (patient_ID, name, status)"
                                              " VALUES (?, 'X', 'Temporary')", {c.patient()}, "medication_ID"); }},
        {"TestRecord::Add",
         [=](Clinic& c) { return TestRecord().Add(c.text(c.patient()), day, "LIPID PANEL", "LDL 3.1 mmol/L"); },
         [=](Clinic& c) { c.bare(addToPatient("INSERT INTO tests (patient_ID, date, type, results)"
                                              " VALUES (?, ?, ?, ?)", {c.patient(), iso, "LIPID PANEL", "LDL 3.1 mmol/L"})); }},
        {"TestRecord::Delete", [](Clinic& c) { return TestRecord().Delete(c.text(c.m_pending)); },
         [](Clinic& c) { c.bare("DELETE FROM tests WHERE test_ID = ?", {c.m_pending}); },
         [](Clinic& c) { c.m_pending = c.make("INSERT INTO tests (patient_ID, date, type, results)"
                                              " VALUES (?, '2025-01-01 09:00:00', 'CBC', 'ok')", {c.patient()}, "test_ID"); }},
        {"MedicationNameList::AddName(new)", [](Clinic&) { return MedicationNameList().AddName(uniqueName()); },
         [](Clinic& c) { const std::string name = uniqueName();
             c.bare({{"SELECT 1 FROM meds_list WHERE name = ?", {name}},
                     {"INSERT INTO meds_list (name) VALUES (?)", {name}}}); }},
        {"TestTypeList::AddName(new)", [](Clinic&) { return TestTypeList().AddName(uniqueName()); },
         [](Clinic& c) { const std::string name = uniqueName();
             c.bare({{"SELECT 1 FROM tests_list WHERE name = ?", {name}},
                     {"INSERT INTO tests_list (name) VALUES (?)", {name}}}); }},
        {"ClinicInfo::Save",
         [](Clinic& c) { return ClinicInfo().Save("Sunrise Family Clinic", "Dr. A. Haddad", "MD, CCFP",
                                                  c.fresh("555-"), "1 King Road", "Springfield", "ON", "K1A 0B1"); },
         [](Clinic& c) { c.bare("UPDATE clinic_info SET clinic_name = ?, doc_name = ?, doc_qualifications = ?,"
                                " phone = ?, street = ?, city = ?, province = ?, postal_code = ?, set_status = 1"
                                " WHERE info_ID = (SELECT info_ID FROM clinic_info ORDER BY info_ID LIMIT 1)",
                                {"Sunrise Family Clinic", "Dr. A. Haddad", "MD, CCFP", c.fresh("555-"),
                                 "1 King Road", "Springfield", "ON", "K1A 0B1"}); }},
    };
}

Clinic& clinic(int patients, Records records)
{
    static std::map<std::pair<int, Records>, std::unique_ptr<Clinic>> clinics;
    auto& slot = clinics[{patients, records}];
    if (!slot)
        slot = std::make_unique<Clinic>(patients, records);
    return *slot;
}

double medianOf(std::vector<double> samples)
{
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

// This program and the given processes on the processor it runs on, until it goes out of scope.
// A round trip between two processors costs far more on a virtual machine than one within a
// processor, so where the system happened to put each server process would decide the ratio
// of store and floor: one side's process beside the benchmark, the other's away, and a
// difference of twice between two runs of the same work.
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

const std::vector<Case>& allCases()
{
    static const std::vector<Case> cases = [] {
        std::vector<Case> all = readCases();
        for (Case& write : writeCases())
            all.push_back(std::move(write));
        return all;
    }();
    return cases;
}

// One call of a case: its preparation untimed, then the store's operation or its floor, timed
// alone. Microseconds, or a negative number when the store's operation returned false.
double timedCall(const Case& c, Clinic& clinic, bool floor)
{
    clinic.enter();
    if (c.prepare)
        c.prepare(clinic);
    const auto start = std::chrono::steady_clock::now();
    const bool done = floor ? (c.floor(clinic), true) : c.store(clinic);
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    return done ? took.count() : -1;
}

// A clinic on the server, worked on by a process of its own that keeps the store's connection to
// it: the store keeps connections to one server only, and the two sizes are measured side by
// side, as on the file.
class ServerDesk
{
public:
    explicit ServerDesk(int patients)
    {
        int commands[2];
        int answers[2];
        if (pipe(commands) != 0 || pipe(answers) != 0)
            throw std::runtime_error("no pipe");
        m_child = fork();
        if (m_child == 0) {
            close(commands[1]);
            close(answers[0]);
            serve(patients, commands[0], answers[1]);
        }
        close(commands[0]);
        close(answers[1]);
        m_commands = commands[1];
        m_answers = answers[0];
        if (m_child < 0)
            throw std::runtime_error("no fork");
    }

    // Asked to go rather than left to see its commands end: a desk started later holds copies
    // of this one's pipes.
    ~ServerDesk()
    {
        const Command quit{'q'};
        if (write(m_commands, &quit, sizeof quit) != sizeof quit)
            kill(m_child, SIGTERM);
        close(m_commands);
        close(m_answers);
        waitpid(m_child, nullptr, 0);
    }

    ServerDesk(const ServerDesk&) = delete;
    ServerDesk& operator=(const ServerDesk&) = delete;

    double call(size_t caseIndex, bool floor) { return ask<double>({'c', caseIndex, floor}); }
    void warm() { ask<char>({'w'}); }
    void tidy() { ask<char>({'t'}); }
    // This desk's process and the server's processes of its clinic.
    std::vector<int> processes()
    {
        std::vector<int> all(static_cast<size_t>(ask<int>({'p'})));
        receive(all.data(), all.size() * sizeof(int));
        return all;
    }

private:
    struct Command
    {
        char what;
        size_t caseIndex = 0;
        bool floor = false;
    };

    [[noreturn]] static void serve(int patients, int commands, int answers)
    {
        try {
            Clinic clinic(patients, Records::Server);
            for (Command command; read(commands, &command, sizeof command) == sizeof command &&
                                  command.what != 'q';)
                answer(clinic, command, answers);
            _exit(0);
        } catch (...) {
            _exit(1);
        }
    }

    static void answer(Clinic& clinic, const Command& command, int answers)
    {
        std::vector<char> reply;
        const auto put = [&reply](const auto& value) {
            const auto* bytes = reinterpret_cast<const char*>(&value);
            reply.insert(reply.end(), bytes, bytes + sizeof value);
        };
        if (command.what == 'c') {
            put(timedCall(allCases().at(command.caseIndex), clinic, command.floor));
        } else if (command.what == 'p') {
            std::vector<int> processes = clinic.serverProcesses();
            processes.push_back(getpid());
            put(static_cast<int>(processes.size()));
            for (const int process : processes)
                put(process);
        } else {
            command.what == 'w' ? clinic.warm() : clinic.tidy();
            put('.');
        }
        if (write(answers, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size()))
            _exit(2);
    }

    template <typename Answer>
    Answer ask(const Command& command)
    {
        if (write(m_commands, &command, sizeof command) != sizeof command)
            throw std::runtime_error("the server desk is gone");
        Answer answer;
        receive(&answer, sizeof answer);
        return answer;
    }

    void receive(void* into, size_t size)
    {
        for (size_t got = 0; got < size;) {
            const ssize_t part = read(m_answers, static_cast<char*>(into) + got, size - got);
            if (part <= 0)
                throw std::runtime_error("the server desk is gone");
            got += static_cast<size_t>(part);
        }
    }

    pid_t m_child;
    int m_commands;
    int m_answers;
};

ServerDesk& serverDesk(int patients)
{
    // Started first, so that it stops last, after the desks.
    BenchServer::shared().clinic(patients);
    static std::map<int, std::unique_ptr<ServerDesk>> desks;
    auto& desk = desks[patients];
    if (!desk)
        desk = std::make_unique<ServerDesk>(patients);
    return *desk;
}

struct Slot
{
    std::function<double()> call;
    std::string counter;
    std::vector<double> micros = {};
};

// Every iteration makes the four calls side by side, the operation and its floor at the small
// and at the large clinic, so that a change in the load of a shared machine, or in how long the
// disk takes to flush, touches all four alike. Each call is timed alone; the counters give the
// median call in microseconds.
void runSlots(benchmark::State& state, std::vector<Slot> slots)
{
    std::minstd_rand order(7);
    for (auto _ : state) {
        double micros = 0;
        for (Slot& slot : slots) {
            const double took = slot.call();
            if (took < 0) {
                state.SkipWithError("the operation returned false");
                return;
            }
            slot.micros.push_back(took);
            micros += took;
        }
        // In a new order each time: a call that follows the list of 100,000 patients finds the
        // processor's caches full of that list, and no call should always be the one.
        std::shuffle(slots.begin(), slots.end(), order);
        state.SetIterationTime(micros / 1e6);
    }
    for (Slot& slot : slots)
        state.counters[slot.counter] = medianOf(slot.micros);
}

std::string counter(bool floor, int patients)
{
    return (floor ? "floor_" : "store_") + std::to_string(patients);
}

void runFileCase(benchmark::State& state, size_t index)
{
    std::vector<Slot> slots;
    for (const int patients : {1000, 100000}) {
        Clinic& file = clinic(patients, Records::File);
        file.warm();
        for (const bool floor : {false, true})
            slots.push_back(
                {[&file, index, floor] { return timedCall(allCases()[index], file, floor); },
                 counter(floor, patients)});
    }
    runSlots(state, std::move(slots));
    for (const int patients : {1000, 100000})
        clinic(patients, Records::File).tidy();
}

void runServerCase(benchmark::State& state, size_t index)
{
    std::vector<Slot> slots;
    std::vector<int> processes;
    for (const int patients : {1000, 100000}) {
        ServerDesk& desk = serverDesk(patients);
        desk.warm();
        // Once each untimed: the store has made its connection, and the server processes of
        // both have read what they need of the tables' layout.
        for (const bool floor : {false, true}) {
            desk.call(index, floor);
            slots.push_back({[&desk, index, floor] { return desk.call(index, floor); },
                             counter(floor, patients)});
        }
        const std::vector<int> more = desk.processes();
        processes.insert(processes.end(), more.begin(), more.end());
    }
    {
        const OneProcessor together(processes);
        runSlots(state, std::move(slots));
    }
    for (const int patients : {1000, 100000})
        serverDesk(patients).tidy();
}

// Reads run for half a second, writes, which wait for the disk, for a second.
void registerCases(const char* prefix, void (*run)(benchmark::State&, size_t))
{
    const size_t reads = readCases().size();
    for (size_t index = 0; index < allCases().size(); ++index)
        benchmark::RegisterBenchmark((prefix + allCases()[index].name).c_str(),
                                     [run, index](benchmark::State& s) { run(s, index); })
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(index < reads ? 0.5 : 1.0);
}

} // namespace

int main(int argc, char** argv)
{
    // A desk process that failed must not take this program with it.
    std::signal(SIGPIPE, SIG_IGN);
    registerCases("", runFileCase);
    registerCases("server:", runServerCase);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Each store operation at a small and a large clinic, beside the same work written with
// bare sqlite3 calls (open, the statement, close, the same durability) as the floor.

#include "tools/ClinicGenerator.h"
#include "bench/KeptClinic.h"
#include "store/store.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <variant>

namespace {

using Param = std::variant<long long, std::string>;
using Params = std::vector<Param>;

const std::vector<std::string>& visitTexts()
{
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t(21, std::string(40, 'f'));
        t[0] = "Cough and fever for three days, worse at night.";
        t[1] = "38.2";
        t[2] = "130/85";
        t[19] = "Acute bronchitis.";
        t[20] = "Rest, fluids, paracetamol 500 mg as needed; review in one week if not better.";
        return t;
    }();
    return texts;
}

const char* const visitInsertSql =
    "INSERT INTO complaints (patient_ID, date, complaint, temp, bp, RR, pulse, height, weight,"
    " eyes, HEENT, respiratory, cardiovascular, GIT, genitourinary, endocrine, musculoskeletal,"
    " hema_lymph, dermatology, psycho_neuro, other, diagnosis, treatment)"
    " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

std::vector<std::string> visitTexts(const std::string& treatment)
{
    std::vector<std::string> texts = visitTexts();
    texts.back() = treatment;
    return texts;
}

Params visitParams(long long patient, const std::string& treatment = visitTexts().back())
{
    Params params{patient, DateTime::fromCivil(2025, 3, 4, 10, 30).toIso()};
    for (const std::string& text : visitTexts(treatment))
        params.emplace_back(text);
    return params;
}

// A made-up clinic in a folder of its own, generated once and kept for later runs.
class Clinic
{
public:
    explicit Clinic(int patients)
        : m_name("clinic-" + std::to_string(patients)), m_size(ClinicSize::forPatients(patients))
    {
        enterKeptClinic(m_name, patients);
    }

    void enter() const { enterKeptClinic(m_name, m_size.patients); }
    int patients() const { return m_size.patients; }

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
    std::mt19937 m_random{3};
    long long m_calls = 0;
};

// Runs the statements on a connection of their own, every row's columns copied out; more
// than one statement run as one transaction.
long long bare(const std::vector<std::pair<const char*, Params>>& statements)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2("clinic_db.mdb", &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open");
    const bool several = statements.size() > 1;
    if (several)
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    std::vector<std::string> out;
    for (const auto& [sql, params] : statements) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        for (size_t i = 0; i < params.size(); ++i) {
            const int index = static_cast<int>(i) + 1;
            if (const auto* number = std::get_if<long long>(&params[i]))
                sqlite3_bind_int64(st, index, *number);
            else
                sqlite3_bind_text(st, index, std::get<std::string>(params[i]).c_str(), -1,
                                  SQLITE_TRANSIENT);
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

long long bare(const char* sql, const Params& params = {})
{
    return bare({{sql, params}});
}

// A patient with ten visits, three history entries, two medications and three tests.
long long makeFullPatient()
{
    const long long id = bare("INSERT INTO patient_info (first_name, last_name, DOB, Gender,"
                              " address, telephone) VALUES ('Gone', 'Soon', '1970-01-01 00:00:00',"
                              " 0, '', '')");
    std::vector<std::pair<const char*, Params>> rows(10, {visitInsertSql, visitParams(id)});
    for (int i = 0; i < 3; ++i) {
        rows.push_back({"INSERT INTO history_entries (patient_ID, entry_type, entry_details)"
                        " VALUES (?, 'Medical', 'Asthma since childhood')", {id}});
        rows.push_back({"INSERT INTO tests (patient_ID, date, type, results)"
                        " VALUES (?, '2025-01-01 09:00:00', 'CBC', 'Hb 13.1')", {id}});
    }
    for (int i = 0; i < 2; ++i)
        rows.push_back({"INSERT INTO patient_medications (patient_ID, name, status)"
                        " VALUES (?, 'METFORMIN 500MG', 'Old Chronic')", {id}});
    bare(rows);
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
         [](Clinic&) { bare("SELECT ID, first_name, last_name FROM patient_info"); }},
        {"PatientNameList::FetchByID",
         [](Clinic& c) { return PatientNameList().FetchByID(c.text(c.patient())); },
         [](Clinic& c) { bare("SELECT ID, first_name, last_name FROM patient_info WHERE ID = ?", {c.patient()}); }},
        {"PatientDetails::Fetch", [](Clinic& c) { return PatientDetails().Fetch(c.text(c.patient())); },
         [](Clinic& c) { bare("SELECT first_name, last_name, DOB, Gender, address, telephone"
                              " FROM patient_info WHERE ID = ?", {c.patient()}); }},
        {"PatientDetails::FetchAge", [](Clinic& c) { return PatientDetails().FetchAge(c.text(c.patient())); },
         [](Clinic& c) { bare("SELECT DOB FROM patient_info WHERE ID = ?", {c.patient()}); }},
        {"ComplaintList::Fetch", [](Clinic& c) { return ComplaintList().Fetch(c.text(c.patient())); },
         [](Clinic& c) { bare("SELECT compl_ID, date, complaint, diagnosis, treatment FROM complaints"
                              " WHERE patient_ID = ?", {c.patient()}); }},
        {"ComplaintList::FetchDetails", [](Clinic& c) { return ComplaintList().FetchDetails(c.text(c.visit())); },
         [](Clinic& c) { bare("SELECT * FROM complaints WHERE compl_ID = ?", {c.visit()}); }},
        {"HistoryEntryList::Fetch",
         [](Clinic& c) { return HistoryEntryList().Fetch(c.text(c.patient()), "Medical"); },
         [](Clinic& c) { bare("SELECT entry_ID, entry_details FROM history_entries"
                              " WHERE patient_ID = ? AND entry_type = ?", {c.patient(), "Medical"}); }},
        {"PatientMedicationList::Fetch",
         [](Clinic& c) { return PatientMedicationList().Fetch(c.text(c.patient())); },
         [](Clinic& c) { bare("SELECT medication_ID, name, status FROM patient_medications"
                              " WHERE patient_ID = ?", {c.patient()}); }},
        {"TestList::Fetch", [](Clinic& c) { return TestList().Fetch(c.text(c.patient())); },
         [](Clinic& c) { bare("SELECT test_ID, date, type, results FROM tests WHERE patient_ID = ?",
                              {c.patient()}); }},
        {"MedicationNameList::FetchAll", [](Clinic&) { return MedicationNameList().FetchAll(); },
         [](Clinic&) { bare("SELECT name FROM meds_list"); }},
        {"MedicationNameList::AddName(known)", [](Clinic&) { return MedicationNameList().AddName("METFORMIN 500MG"); },
         [](Clinic&) { bare("SELECT 1 FROM meds_list WHERE name = ?", {"METFORMIN 500MG"}); }},
        {"TestTypeList::FetchAll", [](Clinic&) { return TestTypeList().FetchAll(); },
         [](Clinic&) { bare("SELECT name FROM tests_list"); }},
        {"ClinicInfo::Fetch", [](Clinic&) { return ClinicInfo().Fetch(); },
         [](Clinic&) { bare("SELECT * FROM clinic_info LIMIT 1"); }},
    };
}

std::vector<Case> writeCases()
{
    const DateTime day = DateTime::fromCivil(2025, 3, 4, 10, 30);
    const std::string iso = day.toIso();
    return {
        {"PatientRecord::Add",
         [=](Clinic&) { return PatientRecord().Add("Maria", "García", day, 1, "12 Oak Avenue\nSpringfield", "555-0199"); },
         [=](Clinic&) { bare("INSERT INTO patient_info (first_name, last_name, DOB, Gender, address, telephone)"
                             " VALUES (?, ?, ?, ?, ?, ?)", {"Maria", "García", iso, 1LL, "12 Oak Avenue\nSpringfield", "555-0199"}); }},
        {"PatientRecord::Update",
         [=](Clinic& c) { return PatientRecord().Update(c.text(c.patient()), "Maria", "García", day, 1, "12 Oak Avenue", c.fresh("555-")); },
         [=](Clinic& c) { bare("UPDATE patient_info SET first_name = ?, last_name = ?, DOB = ?, Gender = ?,"
                               " address = ?, telephone = ? WHERE ID = ?",
                               {"Maria", "García", iso, 1LL, "12 Oak Avenue", c.fresh("555-"), c.patient()}); }},
        {"PatientRecord::DeleteWithRecords",
         [](Clinic& c) { return PatientRecord().DeleteWithRecords(c.text(c.m_pending)); },
         [](Clinic& c) { const long long id = c.m_pending;
             bare({{"DELETE FROM patient_info WHERE ID = ?", {id}},
                   {"DELETE FROM complaints WHERE patient_ID = ?", {id}},
                   {"DELETE FROM history_entries WHERE patient_ID = ?", {id}},
                   {"DELETE FROM tests WHERE patient_ID = ?", {id}},
                   {"DELETE FROM patient_medications WHERE patient_ID = ?", {id}}}); },
         [](Clinic& c) { c.m_pending = makeFullPatient(); }},
        {"ComplaintRecord::Add",
         [=](Clinic& c) { return ComplaintRecord().Add(c.text(c.patient()), day, visitTexts()); },
         [](Clinic& c) { bare(visitInsertSql, visitParams(c.patient())); }},
        {"ComplaintRecord::Update",
         [=](Clinic& c) { return ComplaintRecord().Update(c.text(c.visit()), "1", day, visitTexts(c.fresh("Review "))); },
         [](Clinic& c) {
             Params params = visitParams(0, c.fresh("Review "));
             params.erase(params.begin());
             params.emplace_back(c.visit());
             bare("UPDATE complaints SET date = ?, complaint = ?, temp = ?, bp = ?, RR = ?, pulse = ?,"
                  " height = ?, weight = ?, eyes = ?, HEENT = ?, respiratory = ?, cardiovascular = ?,"
                  " GIT = ?, genitourinary = ?, endocrine = ?, musculoskeletal = ?, hema_lymph = ?,"
                  " dermatology = ?, psycho_neuro = ?, other = ?, diagnosis = ?, treatment = ?"
                  " WHERE compl_ID = ?", params); }},
        {"ComplaintRecord::Delete", [](Clinic& c) { return ComplaintRecord().Delete(c.text(c.m_pending)); },
         [](Clinic& c) { bare("DELETE FROM complaints WHERE compl_ID = ?", {c.m_pending}); },
         [](Clinic& c) { c.m_pending = bare(visitInsertSql, visitParams(c.patient())); }},
        {"HistoryEntryRecord::Add",
         [](Clinic& c) { return HistoryEntryRecord().Add(c.text(c.patient()), "Allergies", "Penicillin: hives"); },
         [](Clinic& c) { bare("INSERT INTO history_entries (patient_ID, entry_type, entry_details) VALUES (?, ?, ?)",
                              {c.patient(), "Allergies", "Penicillin: hives"}); }},
        {"HistoryEntryRecord::Delete", [](Clinic& c) { return HistoryEntryRecord().Delete(c.text(c.m_pending)); },
         [](Clinic& c) { bare("DELETE FROM history_entries WHERE entry_ID = ?", {c.m_pending}); },
         [](Clinic& c) { c.m_pending = bare("INSERT INTO history_entries (patient_ID, entry_type, entry_details)"
                                            " VALUES (?, 'Social', 'Smoker')", {c.patient()}); }},
        {"PatientMedicationRecord::Add",
         [](Clinic& c) { return PatientMedicationRecord().Add(c.text(c.patient()), "ATORVASTATIN 20MG", "New Chronic"); },
         [](Clinic& c) { bare("INSERT INTO patient_medications (patient_ID, name, status) VALUES (?, ?, ?)",
                              {c.patient(), "ATORVASTATIN 20MG", "New Chronic"}); }},
        {"PatientMedicationRecord::Delete",
         [](Clinic& c) { return PatientMedicationRecord().Delete(c.text(c.m_pending)); },
         [](Clinic& c) { bare("DELETE FROM patient_medications WHERE medication_ID = ?", {c.m_pending}); },
         [](Clinic& c) { c.m_pending = bare("INSERT INTO patient_medications (patient_ID, name, status)"
                                            " VALUES (?, 'X', 'Temporary')", {c.patient()}); }},
        {"TestRecord::Add",
         [=](Clinic& c) { return TestRecord().Add(c.text(c.patient()), day, "LIPID PANEL", "LDL 3.1 mmol/L"); },
         [=](Clinic& c) { bare("INSERT INTO tests (patient_ID, date, type, results) VALUES (?, ?, ?, ?)",
                               {c.patient(), iso, "LIPID PANEL", "LDL 3.1 mmol/L"}); }},
        {"TestRecord::Delete", [](Clinic& c) { return TestRecord().Delete(c.text(c.m_pending)); },
         [](Clinic& c) { bare("DELETE FROM tests WHERE test_ID = ?", {c.m_pending}); },
         [](Clinic& c) { c.m_pending = bare("INSERT INTO tests (patient_ID, date, type, results)"
                                            " VALUES (?, '2025-01-01 09:00:00', 'CBC', 'ok')", {c.patient()}); }},
        {"MedicationNameList::AddName(new)", [](Clinic&) { return MedicationNameList().AddName(uniqueName()); },
         [](Clinic&) { bare("INSERT INTO meds_list (name) VALUES (?)", {uniqueName()}); }},
        {"TestTypeList::AddName(new)", [](Clinic&) { return TestTypeList().AddName(uniqueName()); },
         [](Clinic&) { bare("INSERT INTO tests_list (name) VALUES (?)", {uniqueName()}); }},
        {"ClinicInfo::Save",
         [](Clinic& c) { return ClinicInfo().Save("Sunrise Family Clinic", "Dr. A. Haddad", "MD, CCFP",
                                                  c.fresh("555-"), "1 King Road", "Springfield", "ON", "K1A 0B1"); },
         [](Clinic& c) { bare("UPDATE clinic_info SET clinic_name = ?, doc_name = ?, doc_qualifications = ?,"
                            " phone = ?, street = ?, city = ?, province = ?, postal_code = ?, set_status = 1"
                            " WHERE info_ID = 1", {"Sunrise Family Clinic", "Dr. A. Haddad", "MD, CCFP",
                            c.fresh("555-"), "1 King Road", "Springfield", "ON", "K1A 0B1"}); }},
    };
}

Clinic& clinic(int patients)
{
    static std::map<int, std::unique_ptr<Clinic>> clinics;
    auto& slot = clinics[patients];
    if (!slot)
        slot = std::make_unique<Clinic>(patients);
    return *slot;
}

double medianOf(std::vector<double> samples)
{
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

// Every iteration makes four calls side by side, the operation and its floor at the small
// and at the large clinic, so that a change in the load of a shared machine touches all four
// alike. Each call is timed alone; the counters give the median call in microseconds.
void runCase(benchmark::State& state, const Case& c)
{
    struct Slot
    {
        Clinic* clinic;
        bool floor;
        std::string counter;
        std::vector<double> micros;
    };
    std::vector<Slot> slots;
    for (const int patients : {1000, 100000})
        for (const bool floor : {false, true})
            slots.push_back({&clinic(patients), floor,
                             (floor ? "floor_" : "store_") + std::to_string(patients), {}});

    for (auto _ : state) {
        double seconds = 0;
        for (Slot& slot : slots) {
            slot.clinic->enter();
            if (c.prepare)
                c.prepare(*slot.clinic);
            const auto start = std::chrono::steady_clock::now();
            const bool done = slot.floor ? (c.floor(*slot.clinic), true) : c.store(*slot.clinic);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            if (!done) {
                state.SkipWithError("the operation returned false");
                return;
            }
            slot.micros.push_back(took.count() * 1e6);
            seconds += took.count();
        }
        state.SetIterationTime(seconds);
    }
    for (Slot& slot : slots)
        state.counters[slot.counter] = medianOf(slot.micros);
}

void registerCases(const std::vector<Case>& cases, double minTime)
{
    for (const Case& c : cases)
        benchmark::RegisterBenchmark(c.name.c_str(), [=](benchmark::State& s) { runCase(s, c); })
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(minTime);
}

} // namespace

int main(int argc, char** argv)
{
    registerCases(readCases(), 0.5);
    // Writes wait for the disk: a longer run steadies their figures.
    registerCases(writeCases(), 1.0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

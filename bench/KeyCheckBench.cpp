// What the records file's first operation in a process costs at a clinic of 100,000 patients,
// now that it sets the search keys right: the first operation, against the same operation
// once the keys have been checked, and the first operation after another program renamed one
// patient in a hundred.

#include "bench/KeptClinic.h"
#include "store/SqliteEngine.h"
#include "store/store.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <stdexcept>

namespace {

constexpr int kPatients = 100'000;

void enterClinic() {
    enterKeptClinic("clinic-" + std::to_string(kPatients), kPatients);
    readWhole("clinic_db.mdb");
    // The keys as the store keeps them, whatever the generator or an earlier run left.
    if (!PatientNameList().FetchByID("1"))
        throw std::runtime_error("the clinic cannot be read");
}

// Another program's change: one patient in a hundred gets a letter added to the first name,
// or taken off again, so that runs do not make the names ever longer.
void renameSome() {
    sqlite3* db = nullptr;
    sqlite3_open("clinic_db.mdb", &db);
    sqlite3_exec(db,
                 "UPDATE patient_info SET first_name = CASE WHEN first_name GLOB '*q'"
                 " THEN substr(first_name, 1, length(first_name) - 1)"
                 " ELSE first_name || 'q' END WHERE ID % 100 = 0",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void fetchOne() {
    PatientNameList list;
    if (!list.FetchByID("1"))
        throw std::runtime_error("the operation failed");
    benchmark::DoNotOptimize(list.m_ids.data());
}

void FirstOperation(benchmark::State& state) {
    enterClinic();
    for (auto _ : state) {
        SqliteEngine::keysMayBeStale();
        fetchOne();
    }
}

void LaterOperation(benchmark::State& state) {
    enterClinic();
    for (auto _ : state)
        fetchOne();
}

void FirstOperationAfterRenames(benchmark::State& state) {
    enterClinic();
    for (auto _ : state) {
        state.PauseTiming();
        renameSome();
        SqliteEngine::keysMayBeStale();
        state.ResumeTiming();
        fetchOne();
    }
}

} // namespace

BENCHMARK(FirstOperation)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(LaterOperation)->Unit(benchmark::kMillisecond);
BENCHMARK(FirstOperationAfterRenames)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();

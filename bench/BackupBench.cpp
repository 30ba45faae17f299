// Backup and restore of a records database of about 1 GB, each beside cp on the same files in
// the same run. Every run is a child process, so its peak resident memory is measured alone.
//
//   medora_backup_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// MEDORA_BENCH_PATIENTS sets the clinic's size (175000 patients make about 1 GB) and TMPDIR
// where it is made; the whole folder is removed when the program ends.

#include "app/DatabaseBackup.h"
#include "app/RecordsFileCheck.h"
#include "app/RecordsLock.h"
#include "bench/ClinicGenerator.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path folder;
long long databaseBytes = 0;

struct ChildRun {
    bool ok;
    double seconds;
    double peakMiB;
};

ChildRun finished(pid_t child, std::chrono::steady_clock::time_point began) {
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return {child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0, seconds,
            usage.ru_maxrss / 1024.0};
}

// Runs work in a child in the clinic's folder; the child ends with work's verdict. Its peak
// memory includes the pages it shares with this program from the fork.
ChildRun measureWork(const std::function<bool()>& work) {
    const auto began = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        fs::current_path(folder);
        _exit(work() ? 0 : 1);
    }
    return finished(child, began);
}

// Spawned without a copy of this program, so the peak memory is the command's own.
ChildRun measureCommand(const std::string& command) {
    const std::string line = "cd '" + folder.string() + "' && " + command;
    const char* argv[] = {"sh", "-c", line.c_str(), nullptr};
    const auto began = std::chrono::steady_clock::now();
    pid_t child = -1;
    if (posix_spawnp(&child, "sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        child = -1;
    return finished(child, began);
}

void report(
    benchmark::State& state, const std::function<ChildRun()>& run,
    const std::function<void()>& tidy = [] {}) {
    double peak = 0;
    for (auto _ : state) {
        // Whatever an earlier run left to write back is written first, not during this run.
        sync();
        const ChildRun done = run();
        if (!done.ok) {
            state.SkipWithError("the measured run failed");
            break;
        }
        state.SetIterationTime(done.seconds);
        peak = std::max(peak, done.peakMiB);
        tidy();
    }
    state.SetBytesProcessed(state.iterations() * databaseBytes);
    state.counters["peak_MiB"] = peak;
    state.counters["file_MiB"] = double(databaseBytes) / (1 << 20);
}

void removeCopy() {
    fs::remove(folder / "copy.rbk");
}

void BM_CpBackup(benchmark::State& state) {
    report(
        state, [] { return measureCommand("cp clinic_db.mdb copy.rbk"); }, removeCopy);
}

// cp, then the copy flushed to disk as the backup flushes it.
void BM_CpSyncBackup(benchmark::State& state) {
    report(
        state, [] { return measureCommand("cp clinic_db.mdb copy.rbk && sync copy.rbk"); },
        removeCopy);
}

void BM_Backup(benchmark::State& state) {
    report(
        state,
        [] {
            return measureWork([] {
                const RecordsLock records("clinic_db.mdb");
                return !DatabaseBackup::backup(records, "copy.rbk");
            });
        },
        removeCopy);
}

void BM_CpRestore(benchmark::State& state) {
    report(state, [] { return measureCommand("cp backup.rbk clinic_db.mdb"); });
}

void BM_CpSyncRestore(benchmark::State& state) {
    report(state,
           [] { return measureCommand("cp backup.rbk clinic_db.mdb && sync clinic_db.mdb"); });
}

void BM_Restore(benchmark::State& state) {
    report(state,
           [] { return measureWork([] { return !DatabaseBackup::restore("backup.rbk"); }); });
}

// The part of a restore that proves the chosen file to be a whole Medora database.
void BM_RestoreCheckAlone(benchmark::State& state) {
    report(state,
           [] { return measureWork([] { return RecordsFileCheck::isRecords("backup.rbk"); }); });
}

void makeClinic() {
    const char* patients = std::getenv("MEDORA_BENCH_PATIENTS");
    std::string pattern = (fs::temp_directory_path() / "medora-backup-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make the bench folder");
    folder = pattern;
    fs::copy_file(MEDORA_EMPTY_DB, folder / "clinic_db.mdb");
    std::cerr << "Making the clinic in " << folder << "...\n";
    // In a child, so that this program stays small and the children it measures with it.
    const ClinicSize size = ClinicSize::forPatients(patients ? std::atoi(patients) : 175000);
    if (!measureWork([&] { return generateClinic("clinic_db.mdb", size); }).ok)
        throw std::runtime_error("cannot generate the clinic");
    fs::copy_file(folder / "clinic_db.mdb", folder / "backup.rbk");
    databaseBytes = static_cast<long long>(fs::file_size(folder / "clinic_db.mdb"));
}

} // namespace

#define MEASURED(name)                                                                             \
    BENCHMARK(name)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)
MEASURED(BM_CpBackup);
MEASURED(BM_CpSyncBackup);
MEASURED(BM_Backup);
MEASURED(BM_CpRestore);
MEASURED(BM_CpSyncRestore);
MEASURED(BM_Restore);
MEASURED(BM_RestoreCheckAlone);

// An interrupted run still takes its gigabytes away.
void removeFolderAndStop(int signalNumber) {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    _exit(128 + signalNumber);
}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::signal(SIGINT, removeFolderAndStop);
    std::signal(SIGTERM, removeFolderAndStop);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    int result = 0;
    try {
        makeClinic();
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        result = 1;
    }
    if (!folder.empty())
        fs::remove_all(folder);
    benchmark::Shutdown();
    return result;
}

// Backup and restore of a records database of about 1 GB, each beside cp and beside its floor
// on the same files in the same run. Every run is a child process, so its peak resident memory
// is measured alone.
//
//   medora_backup_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// MEDORA_BENCH_PATIENTS sets the clinic's size (175000 patients make about 1 GB) and TMPDIR
// where it is made; the whole folder is removed when the program ends.

#include "bench/ChildRun.h"
#include "records/DatabaseBackup.h"
#include "records/RecordsFileCheck.h"
#include "tools/ClinicGenerator.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

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

ChildRun measureWork(const std::function<bool()>& work) {
    return ChildRun::ofWork(folder, work);
}

ChildRun measureCommand(const std::string& command) {
    return ChildRun::ofCommand(folder, command);
}

ChildRun afterSync(const std::function<ChildRun()>& run) {
    // Whatever an earlier run left to write back is written first, not during this run.
    sync();
    return run();
}

// The floor of a copy proven whole: the copy flushed to disk and the engine's full integrity
// check, of the copy made or of the file chosen, with the page cache the program's check uses.
enum class Checked { Copy, Source };

std::string floorOf(const std::string& from, const std::string& to, Checked checked) {
    const bool checkFirst = checked == Checked::Source;
    const std::string copy = "cp " + from + " " + to + " && sync " + to;
    const std::string check = "sqlite3 -cmd 'PRAGMA cache_size=-16384' " +
                              (checkFirst ? from : to) + " 'PRAGMA integrity_check' | grep -qx ok";
    return checkFirst ? check + " && " + copy : copy + " && " + check;
}

// Each iteration runs cp, then cp with the copy flushed to disk (as the program flushes its
// copies), then the floor above, then the program's own operation, on the same files, so that
// all meet the same load on this shared machine. The iteration's time is the operation's; the
// counters give the others' times and the operation's speed as a fraction of each.
void compareWithCp(benchmark::State& state, const std::string& from, const std::string& to,
                   Checked checked, const std::function<ChildRun()>& operation,
                   const std::function<void()>& tidy) {
    const std::string cp = "cp " + from + " " + to;
    double peak = 0, cpPeak = 0, cpSeconds = 0, cpSyncSeconds = 0, floorSeconds = 0, seconds = 0;
    for (auto _ : state) {
        const ChildRun plain = afterSync([&] { return measureCommand(cp); });
        tidy();
        const ChildRun flushed = afterSync([&] { return measureCommand(cp + " && sync " + to); });
        tidy();
        const ChildRun floor =
            afterSync([&] { return measureCommand(floorOf(from, to, checked)); });
        tidy();
        const ChildRun done = afterSync(operation);
        tidy();
        if (!plain.ok || !flushed.ok || !floor.ok || !done.ok) {
            state.SkipWithError("a measured run failed");
            break;
        }
        state.SetIterationTime(done.seconds);
        cpSeconds += plain.seconds;
        cpSyncSeconds += flushed.seconds;
        floorSeconds += floor.seconds;
        seconds += done.seconds;
        peak = std::max(peak, done.peakMiB);
        cpPeak = std::max(cpPeak, plain.peakMiB);
    }
    state.SetBytesProcessed(state.iterations() * databaseBytes);
    state.counters["file_MiB"] = double(databaseBytes) / (1 << 20);
    state.counters["peak_MiB"] = peak;
    state.counters["cp_peak_MiB"] = cpPeak;
    state.counters["cp_ms"] = 1000 * cpSeconds / double(state.iterations());
    state.counters["cp_sync_ms"] = 1000 * cpSyncSeconds / double(state.iterations());
    state.counters["x_cp_speed"] = cpSeconds / seconds;
    state.counters["x_cp_sync_speed"] = cpSyncSeconds / seconds;
    state.counters["floor_ms"] = 1000 * floorSeconds / double(state.iterations());
    state.counters["x_floor_time"] = seconds / floorSeconds;
}

void BM_Backup(benchmark::State& state) {
    compareWithCp(
        state, "clinic_db.mdb", "copy.rbk", Checked::Copy,
        [] {
            return measureWork([] { return !DatabaseBackup::backup("clinic_db.mdb", "copy.rbk"); });
        },
        [] { fs::remove(folder / "copy.rbk"); });
}

void BM_Restore(benchmark::State& state) {
    compareWithCp(
        state, "backup.rbk", "clinic_db.mdb", Checked::Source,
        [] { return measureWork([] { return !DatabaseBackup::restore("backup.rbk"); }); }, [] {});
}

// The part of a restore that proves the chosen file to be a whole Medora database.
void BM_RestoreCheckAlone(benchmark::State& state) {
    double peak = 0;
    for (auto _ : state) {
        const ChildRun done = afterSync(
            [] { return measureWork([] { return RecordsFileCheck::isRecords("backup.rbk"); }); });
        if (!done.ok) {
            state.SkipWithError("the check failed");
            break;
        }
        state.SetIterationTime(done.seconds);
        peak = std::max(peak, done.peakMiB);
    }
    state.SetBytesProcessed(state.iterations() * databaseBytes);
    state.counters["peak_MiB"] = peak;
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
MEASURED(BM_Backup);
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

// Backup and restore of a made-up clinic's records on a PostgreSQL server, each beside
// pg_dump / pg_restore of the same database with an uncompressed custom-format file (a backup
// is not compressed either) in the same run. Every run is a child process, so its peak resident
// memory is measured alone.
//
//   medora_server_backup_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
//
// MEDORA_BENCH_PATIENTS sets the clinic's size (100000 by default). The server is a throwaway
// one, flushing to disk as a clinic's server does, started in a folder of its own under /tmp and
// removed when the program ends.

#include "bench/ChildRun.h"
#include "bench/KeptClinic.h"
#include "records/ServerBackup.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

namespace fs = std::filesystem;

namespace {

fs::path folder;
std::string serverFolder;

ChildRun measureWork(const std::function<bool()>& work) {
    return ChildRun::ofWork(folder, work);
}

ChildRun measureCommand(const std::string& command) {
    return ChildRun::ofCommand(folder, command);
}

std::string connection(const std::string& user) {
    return "host=" + serverFolder + " dbname=medora_tests user=" + user;
}

// Each iteration runs the PostgreSQL tool, then the program's own operation, so that both
// meet the same load on this shared machine. The iteration's time is the operation's; the
// counters give the tool's time and the operation's time as a multiple of it.
void compareWithTool(benchmark::State& state, const std::string& tool,
                     const std::function<bool()>& operation) {
    double peak = 0, toolPeak = 0, toolSeconds = 0, seconds = 0;
    for (auto _ : state) {
        const ChildRun theirs = measureCommand(tool);
        const ChildRun ours = measureWork(operation);
        if (!theirs.ok || !ours.ok) {
            state.SkipWithError("a measured run failed");
            break;
        }
        state.SetIterationTime(ours.seconds);
        toolSeconds += theirs.seconds;
        seconds += ours.seconds;
        peak = std::max(peak, ours.peakMiB);
        toolPeak = std::max(toolPeak, theirs.peakMiB);
    }
    state.counters["peak_MiB"] = peak;
    state.counters["tool_peak_MiB"] = toolPeak;
    state.counters["tool_ms"] = 1000 * toolSeconds / double(state.iterations());
    state.counters["x_tool_time"] = seconds / toolSeconds;
}

// The desks' login, as the Database menu runs it.
void BM_ServerBackup(benchmark::State& state) {
    compareWithTool(state,
                    "pg_dump --format=custom --compress=0 --file=dump.pgc '" + connection("postgres") + "'",
                    [] { return !ServerBackup(connection("desk"), "").backup("copy.rbk"); });
}

// pg_restore replaces the tables as a restore replaces the rows: the old ones go, in one
// transaction, and the new ones come with their indexes.
void BM_ServerRestore(benchmark::State& state) {
    compareWithTool(state,
                    "pg_restore --clean --if-exists --single-transaction --dbname='" +
                        connection("postgres") + "' dump.pgc",
                    [] { return !ServerBackup(connection("desk"), "").restore("copy.rbk"); });
}

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

void startServerWithClinic() {
    std::string pattern = (fs::temp_directory_path() / "medora-server-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make the bench folder");
    folder = pattern;
    // The server flushes to disk as a clinic's does, which the tests' server otherwise skips.
    setenv("MEDORA_TEST_SERVER_DURABLE", "1", 1);
    run(std::string(MEDORA_TEST_SERVER_SCRIPT) + " start '" + (folder / "state").string() + "' " +
        MEDORA_ADMIN + " >/dev/null");
    std::getline(std::ifstream(folder / "state"), serverFolder);
    const char* patients = std::getenv("MEDORA_BENCH_PATIENTS");
    const int size = patients ? std::atoi(patients) : 100000;
    enterKeptClinic("server-backup-" + std::to_string(size), size);
    const std::string clinic = (fs::current_path() / "clinic_db.mdb").string();
    std::cerr << "Loading the clinic of " << size << " patients into the server...\n";
    const ChildRun loaded =
        measureWork([&] { return !ServerBackup(connection("postgres"), "").import(clinic); });
    if (!loaded.ok)
        throw std::runtime_error("cannot load the clinic into the server");
    std::cerr << "Loaded in " << loaded.seconds << " s, peak " << loaded.peakMiB << " MiB\n";
    // The first backup, outside the measurements, is what the restores restore.
    if (!measureWork([] { return !ServerBackup(connection("desk"), "").backup("copy.rbk"); }).ok)
        throw std::runtime_error("cannot make the first backup");
}

void stopServer() {
    if (!serverFolder.empty())
        std::system(
            (std::string(MEDORA_TEST_SERVER_SCRIPT) + " stop '" + (folder / "state").string() + "'")
                .c_str());
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

} // namespace

#define MEASURED(name)                                                                             \
    BENCHMARK(name)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)
MEASURED(BM_ServerBackup);
MEASURED(BM_ServerRestore);

void stopServerAndExit(int signalNumber) {
    stopServer();
    _exit(128 + signalNumber);
}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::signal(SIGINT, stopServerAndExit);
    std::signal(SIGTERM, stopServerAndExit);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    int result = 0;
    try {
        startServerWithClinic();
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        result = 1;
    }
    stopServer();
    benchmark::Shutdown();
    return result;
}

// Sixteen desks at work together on the large clinic on the benchmarks' server over the loopback
// address, each in a process of its own at full speed, making the mix of the store's several
// desks test: patients found by number or added, visits and history added, details saved
// unless changed elsewhere, visits looked at and removed, patients removed with their records.
// Reported: the operations per second, the failures, and per operation its rate and its 99th
// percentile latency.
//
//   medora_desks_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// MEDORA_BENCH_DESKS_SECONDS sets how long the desks work in each run (30 s unless set). Each
// run works on a fresh copy of the clinic, so every run starts from the same records.

#include "DeskMix.h"
#include "bench/BenchServer.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int patients = 100000;

std::chrono::milliseconds workingTime()
{
    const char* seconds = std::getenv("MEDORA_BENCH_DESKS_SECONDS");
    const double length = seconds != nullptr && *seconds != '\0' ? std::atof(seconds) : 30;
    return std::chrono::milliseconds(static_cast<long long>(length * 1000));
}

double percentile99(std::vector<double> samples)
{
    const size_t at = (samples.size() * 99 + 99) / 100 - 1;
    std::nth_element(samples.begin(), samples.begin() + static_cast<long>(at), samples.end());
    return samples[at];
}

// A refusal is an answer the desk's user gets for a good reason: a save over details changed
// elsewhere, or work on a patient another desk removed meanwhile. Anything else is a failure.
bool refused(const DeskMix::Entry& entry)
{
    return entry.failure == FailureKind::ChangedElsewhere ||
           entry.failure == FailureKind::NoSuchRecord;
}

void report(benchmark::State& state, const std::vector<DeskMix::Entry>& entries, double seconds)
{
    std::map<std::string, std::vector<double>> latencies;
    int failed = 0;
    int refusals = 0;
    for (const DeskMix::Entry& entry : entries) {
        latencies[entry.operation].push_back((entry.endUs - entry.startUs) / 1000.0);
        refusals += refused(entry);
        failed += entry.failure != FailureKind::None && !refused(entry);
    }
    state.counters["operations per s"] = static_cast<double>(entries.size()) / seconds;
    state.counters["failed"] = failed;
    state.counters["refused"] = refusals;
    for (const auto& [operation, times] : latencies) {
        state.counters[operation + " per s"] = static_cast<double>(times.size()) / seconds;
        state.counters[operation + " p99 ms"] = percentile99(times);
    }
}

void desks(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const fs::path logs = fs::temp_directory_path() / ("medora-desks-" + std::to_string(getpid()));
    fs::create_directories(logs);
    for (auto _ : state) {
        setenv("MEDORA_DATABASE", BenchServer::shared().copyOfClinic(patients, "desks").c_str(), 1);
        const auto start = std::chrono::steady_clock::now();
        if (!DeskMix::runDesks(count, workingTime(), patients, logs.string())) {
            state.SkipWithError("a desk did not finish");
            break;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        report(state, DeskMix::readLogs(count, logs.string()), took.count());
    }
    BenchServer::shared().dropCopy("desks");
    fs::remove_all(logs);
}

} // namespace

BENCHMARK(desks)->Arg(16)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

BENCHMARK_MAIN();

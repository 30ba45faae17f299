// FHIR exports against their floors, and the import of the whole clinic's export. The whole clinic of 100,000 patients written as NDJSON,
// beside the same rows read with bare SQLite statements and made into the same JSON text,
// written with plain writes and flushed to disk as the export's files are. Each run is a
// child process, so its peak memory is measured; the export and its floor take turns in
// every iteration, so both meet the same load. The import of that export into empty records
// beside the export it reads, in the same iteration. And one patient with 500 visits as a
// Bundle.

#include "bench/ChildRun.h"
#include "bench/KeptClinic.h"
#include "exchange/FhirBulkExport.h"
#include "exchange/FhirExport.h"
#include "exchange/FhirImport.h"
#include "exchange/FhirResources.h"
#include "store/VisitStatements.h"
#include "store/WholeRecord.h"
#include "store/store.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

constexpr int kPatients = 100000;
constexpr int kFrequentVisits = 500;
constexpr size_t kPiece = 1 << 20;

const fs::path kOut = fs::path(MEDORA_BENCH_DATA_DIR) / "fhir-out";
const fs::path kImported = fs::path(MEDORA_BENCH_DATA_DIR) / "fhir-imported";

// The floor's files: each type's lines gathered and written in pieces, as the export does.
class FloorFiles {
public:
    explicit FloorFiles(const fs::path& folder) : m_folder(folder) {}
    ~FloorFiles() {
        for (auto& [type, file] : m_files)
            close(file.fd);
    }

    void add(const nlohmann::ordered_json& resource) {
        File& file = fileOf(resource["resourceType"].get<std::string>());
        file.piece += resource.dump(-1, ' ', false) + "\n";
        if (file.piece.size() >= kPiece)
            m_ok = write(file) && m_ok;
    }

    bool finish() {
        for (auto& [type, file] : m_files)
            m_ok = write(file) && fsync(file.fd) == 0 && m_ok;
        return m_ok;
    }

private:
    struct File {
        int fd = -1;
        std::string piece;
    };

    File& fileOf(const std::string& type) {
        File& file = m_files[type];
        if (file.fd < 0)
            file.fd = open((m_folder / (type + ".ndjson")).c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        return file;
    }

    static bool write(File& file) {
        const bool ok =
            ::write(file.fd, file.piece.data(), file.piece.size()) == ssize_t(file.piece.size());
        file.piece.clear();
        return ok;
    }

    const fs::path m_folder;
    std::map<std::string, File> m_files;
    bool m_ok = true;
};

std::string text(sqlite3_stmt* row, int column) {
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    return value != nullptr ? value : "";
}

DateTime date(sqlite3_stmt* row, int column) {
    DateTime value;
    DateTime::fromIso(text(row, column), value);
    return value;
}

// Every row of one table in the order of its key, each given to readRow.
template <typename ReadRow> void eachRow(sqlite3* db, const std::string& sql, ReadRow&& readRow) {
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &rows, nullptr);
    sqlite3_bind_int64(rows, 1, -1);
    sqlite3_bind_int64(rows, 2, -1);
    while (sqlite3_step(rows) == SQLITE_ROW)
        readRow(rows);
    sqlite3_finalize(rows);
}

// The floor: the rows in one read transaction, the resources as the export makes them.
bool floorExport(const fs::path& folder) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2("clinic_db.mdb", &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return false;
    FloorFiles files(folder);
    const FhirResources::Sink sink = [&files](nlohmann::ordered_json r) { files.add(r); };
    const auto id = [](sqlite3_stmt* row, int column) {
        return std::to_string(sqlite3_column_int64(row, column));
    };
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    eachRow(db,
            "SELECT ID, first_name, last_name, DOB, Gender, address, telephone FROM patient_info"
            " WHERE ID > ? ORDER BY ID LIMIT ?",
            [&](sqlite3_stmt* row) {
                PatientDetails details;
                details.m_firstName = text(row, 1);
                details.m_lastName = text(row, 2);
                details.m_dob = date(row, 3);
                details.m_gender = sqlite3_column_int(row, 4);
                details.m_address = text(row, 5);
                details.m_telephone = text(row, 6);
                FhirResources(id(row, 0), sink).patient(details);
            });
    eachRow(db,
            "SELECT entry_ID, patient_ID, entry_type, entry_details FROM history_entries"
            " WHERE entry_ID > ? ORDER BY entry_ID LIMIT ?",
            [&](sqlite3_stmt* row) {
                FhirResources(id(row, 1), sink).history(text(row, 2), {id(row, 0), text(row, 3)});
            });
    eachRow(
        db,
        "SELECT medication_ID, patient_ID, name, status FROM patient_medications"
        " WHERE medication_ID > ? ORDER BY medication_ID LIMIT ?",
        [&](sqlite3_stmt* row) {
            FhirResources(id(row, 1), sink).medication({id(row, 0), text(row, 2), text(row, 3)});
        });
    eachRow(db,
            "SELECT test_ID, patient_ID, date, type, results FROM tests"
            " WHERE test_ID > ? ORDER BY test_ID LIMIT ?",
            [&](sqlite3_stmt* row) {
                FhirResources(id(row, 1), sink)
                    .test({id(row, 0), date(row, 2), text(row, 3), text(row, 4)});
            });
    constexpr int patientColumn = static_cast<int>(kVisitTextCount) + 2;
    eachRow(db, VisitStatements::page(), [&](sqlite3_stmt* row) {
        WholeRecord::Visit visit{id(row, 0), date(row, 1), {}};
        for (size_t i = 0; i < kVisitTextCount; ++i)
            visit.texts.push_back(text(row, static_cast<int>(i) + 2));
        FhirResources(id(row, patientColumn), sink).visit(visit);
    });
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return files.finish();
}

long long bytesIn(const fs::path& folder) {
    long long bytes = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".ndjson")
            bytes += static_cast<long long>(entry.file_size());
    return bytes;
}

void freshFolder() {
    fs::remove_all(kOut);
    fs::create_directories(kOut);
}

bool exportWhole() {
    return !FhirBulkExport::writeClinic(kOut.string()).has_value();
}

void WholeClinicExport(benchmark::State& state) {
    enterKeptClinic("clinic-100000", kPatients);
    const fs::path clinic = fs::current_path();
    double seconds = 0, floorSeconds = 0, peak = 0, floorPeak = 0;
    long long bytes = 0, floorBytes = 0;
    for (auto _ : state) {
        freshFolder();
        const ChildRun floor = ChildRun::ofWork(clinic, [] { return floorExport(kOut); });
        floorBytes = bytesIn(kOut);
        freshFolder();
        const ChildRun done = ChildRun::ofWork(clinic, exportWhole);
        bytes = bytesIn(kOut);
        if (!floor.ok || !done.ok || bytes != floorBytes) {
            state.SkipWithError("a run failed, or the floor wrote other text than the export");
            break;
        }
        state.SetIterationTime(done.seconds);
        seconds += done.seconds;
        floorSeconds += floor.seconds;
        peak = std::max(peak, done.peakMiB);
        floorPeak = std::max(floorPeak, floor.peakMiB);
    }
    fs::remove_all(kOut);
    state.counters["written_MiB"] = double(bytes) / (1 << 20);
    state.counters["peak_MiB"] = peak;
    state.counters["floor_peak_MiB"] = floorPeak;
    state.counters["floor_ms"] = 1000 * floorSeconds / double(state.iterations());
    state.counters["x_floor_time"] = seconds / floorSeconds;
}

// Empty records for the import, made anew for each run.
void emptyRecords() {
    fs::remove_all(kImported);
    fs::create_directories(kImported);
    fs::copy_file(MEDORA_EMPTY_DB, kImported / "clinic_db.mdb");
}

bool importWhole() {
    const FhirImport::Outcome outcome = FhirImport::run(kOut.string());
    return outcome.kind == FhirImport::Outcome::Imported && outcome.report.numbersKept &&
           outcome.report.patients == kPatients;
}

void WholeClinicImport(benchmark::State& state) {
    enterKeptClinic("clinic-100000", kPatients);
    const fs::path clinic = fs::current_path();
    double seconds = 0, exportSeconds = 0, peak = 0;
    for (auto _ : state) {
        freshFolder();
        const ChildRun exported = ChildRun::ofWork(clinic, exportWhole);
        emptyRecords();
        const ChildRun imported = ChildRun::ofWork(kImported, importWhole);
        if (!exported.ok || !imported.ok) {
            state.SkipWithError("the export or the import failed");
            break;
        }
        state.SetIterationTime(imported.seconds);
        seconds += imported.seconds;
        exportSeconds += exported.seconds;
        peak = std::max(peak, imported.peakMiB);
    }
    fs::remove_all(kOut);
    fs::remove_all(kImported);
    state.counters["peak_MiB"] = peak;
    state.counters["export_ms"] = 1000 * exportSeconds / double(state.iterations());
    state.counters["x_export_time"] = seconds / exportSeconds;
}

// A patient with many visits in a smaller clinic kept beside the large one.
std::string addFrequentPatient() {
    PatientRecord patient;
    if (!patient.Add("Zebulon", "Quartermaine", DateTime::fromCivil(1948, 2, 11), 0, "4 Mill Lane",
                     "555-0199"))
        throw std::runtime_error("cannot add the frequent patient");
    std::vector<std::string> texts(ComplaintRecord::textCount, "Normal findings.");
    for (int i = 0; i < kFrequentVisits; ++i) {
        texts[visitText("complaint")] = "Follow-up of blood pressure, visit " + std::to_string(i);
        texts[visitText("temp")] = "36.8";
        texts[visitText("pulse")] = "72";
        if (!ComplaintRecord().Add(patient.m_id, DateTime::fromCivil(2000, 1, 1 + 14 * i), texts))
            throw std::runtime_error("cannot add a visit");
    }
    return patient.m_id;
}

void OnePatientBundle(benchmark::State& state) {
    const std::string patient = enterKeptClinic("fhir-1000", 1000, addFrequentPatient);
    const std::string file = (kOut / "record.json").string();
    freshFolder();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        WholeRecord record;
        if (!record.Fetch(patient) || FhirExport::writeRecord(record, file)) {
            state.SkipWithError("the record was not written");
            break;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["written_KiB"] = double(fs::file_size(file)) / 1024;
    fs::remove_all(kOut);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    try {
        benchmark::RegisterBenchmark("FhirExport/one patient, 500 visits", OnePatientBundle)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("FhirExport/whole clinic, 100000 patients", WholeClinicExport)
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kSecond);
        benchmark::RegisterBenchmark("FhirImport/whole clinic, 100000 patients", WholeClinicImport)
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kSecond);
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}

// medora-sample-data: fills a records database with a made-up clinic, to try Medora out or
// to show it. It never touches a database that already holds patients.

#include "tools/ClinicGenerator.h"
#include "tools/DataFolder.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* kUsage = "usage: medora-sample-data [PATIENTS] [DATABASE]\n"
                     "Fills DATABASE (default: clinic_db.mdb in Medora's data folder) with a "
                     "made-up clinic of PATIENTS patients (default 200).\n";

// Installed beside the program under share/medora, or at the top of the build tree.
fs::path suppliedDatabase() {
    const fs::path program = fs::read_symlink("/proc/self/exe").parent_path();
    for (const fs::path& candidate : {program / "../share/medora/clinic_db.mdb",
                                      program / "../clinic_db.mdb"})
        if (fs::is_regular_file(candidate))
            return candidate;
    return {};
}

// -1 when the file is not a records database that can be read.
long long patientCount(const fs::path& database) {
    sqlite3* db = nullptr;
    long long count = -1;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM patient_info", -1, &statement,
                               nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
}

bool createFromSupplied(const fs::path& database) {
    const fs::path supplied = suppliedDatabase();
    std::error_code error;
    if (!DataFolder::makePrivate(database.parent_path()))
        return false;
    if (supplied.empty() || !fs::copy_file(supplied, database, error))
        return false;
    fs::permissions(database, fs::perms::owner_read | fs::perms::owner_write, error);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 3 || (argc > 1 && std::string(argv[1]).starts_with("-"))) {
        std::cerr << kUsage;
        return 2;
    }
    const int patients = argc > 1 ? std::atoi(argv[1]) : 200;
    if (patients <= 0 || patients > 1000000) {
        std::cerr << "The number of patients must be between 1 and 1000000.\n" << kUsage;
        return 2;
    }
    const fs::path database = argc > 2 ? fs::path(argv[2]) : DataFolder::location() / "clinic_db.mdb";
    if (!fs::exists(database) && !createFromSupplied(database)) {
        std::cerr << "Could not create " << database << " from the supplied empty database.\n";
        return 1;
    }
    const long long existing = patientCount(database);
    if (existing < 0) {
        std::cerr << database << " is not a Medora records database that can be read.\n";
        return 1;
    }
    if (existing > 0) {
        std::cerr << database << " already holds " << existing
                  << " patients; sample data goes only into an empty database.\n";
        return 1;
    }
    if (!generateClinic(database.string(), ClinicSize::forPatients(patients),
                        unsigned(::getpid()))) {
        std::cerr << "Could not fill " << database << "; it was left as it was.\n";
        return 1;
    }
    std::cout << "Filled " << database << " with a made-up clinic of " << patients
              << " patients.\n";
    return 0;
}

// medora-admin: sets up Medora's records in an empty PostgreSQL database, checks that a
// database holds them as this version of Medora makes them, moves a clinic's records file
// onto its server, and backs up and restores the records as the program's Database menu does.
// The server is the one that MEDORA_DATABASE names, as for the program itself; without it,
// backup and restore work on the records file in Medora's data folder.

#include "records/FileFailure.h"
#include "records/RecordsBackup.h"
#include "records/ServerBackup.h"
#include "tools/DataFolder.h"
#include "tools/ServerSetup.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

const char* kUsage =
    "usage: medora-admin init | check | upgrade | import FILE | backup FILE | restore FILE\n"
    "  init     makes Medora's tables, indexes and clinic row, and the role medora_desk that\n"
    "           may read and write their rows, in the empty database that MEDORA_DATABASE names\n"
    "  check    says whether that database is a Medora database of this version, and whether\n"
    "           its key sequences are near their end\n"
    "  upgrade  brings a database that an earlier version set up to this version: adds what\n"
    "           the search finds patients by\n"
    "  import   loads a Medora records file or backup into that database, which init made and\n"
    "           which holds no patients yet\n"
    "  backup   writes a backup of the records to FILE, as the Database menu does\n"
    "  restore  replaces the records with those of the backup FILE, as the Database menu does\n"
    "MEDORA_DATABASE is a libpq connection string: \"host=clinic-server dbname=medora\",\n"
    "\"postgresql://clinic-server/medora\" or \"service=medora\". Without it, backup and\n"
    "restore work on clinic_db.mdb in Medora's data folder.\n";

int report(const ServerSetup& setup, const std::string& first) {
    std::cerr << "medora-admin: " << first << "\n";
    for (const std::string& problem : setup.problems())
        std::cerr << "  " << problem << "\n";
    return 1;
}

int finish(const std::optional<FileFailure>& failure, const std::string& done) {
    if (failure) {
        std::cerr << "medora-admin: " << failure->describe() << "\n";
        return 1;
    }
    std::cout << done << "\n";
    return 0;
}

int setUp(const std::string& command, const std::string& database) {
    ServerSetup setup(database);
    if (command == "init") {
        if (!setup.init())
            return report(setup, "nothing was changed:");
        std::cout << "Medora's records are set up. Give each person a login of their own in "
                     "the role medora_desk.\n";
        return 0;
    }
    if (command == "upgrade") {
        if (!setup.upgrade())
            return report(setup, "nothing was changed:");
        std::cout << "Medora's records are brought up to this version.\n";
        return 0;
    }
    if (!setup.check())
        return report(setup, "this is not a Medora database of this version:");
    if (!setup.numbersLeft())
        return report(setup, "this is a Medora database of this version, but its numbers run out:");
    std::cout << "This is a Medora database of this version.\n";
    return 0;
}

// The file is named as the user gave it; the records file is the data folder's unless the
// records are on a server.
int backUpOrRestore(const std::string& command, const std::string& file, bool onServer) {
    const std::string named = std::filesystem::absolute(file).string();
    if (!onServer) {
        std::error_code error;
        std::filesystem::current_path(DataFolder::location(), error);
        if (error) {
            std::cerr << "medora-admin: " << DataFolder::location().string() << ": "
                      << error.message() << "\n";
            return 1;
        }
    }
    auto failure =
        command == "backup" ? RecordsBackup::backup(named) : RecordsBackup::restore(named);
    if (failure && failure->file == named)
        failure->file = file;
    return finish(failure, command == "backup" ? "The records are backed up in " + file + "."
                                               : "The records are restored from " + file + ".");
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc >= 2 ? argv[1] : "";
    const bool setup = command == "init" || command == "check" || command == "upgrade";
    const bool withFile = command == "import" || command == "backup" || command == "restore";
    if (!(setup && argc == 2) && !(withFile && argc == 3)) {
        std::cerr << kUsage;
        return 2;
    }
    const char* variable = std::getenv("MEDORA_DATABASE");
    const std::string database = variable != nullptr ? variable : "";
    if (database.empty() && (setup || command == "import")) {
        std::cerr << "medora-admin: MEDORA_DATABASE does not name a database\n" << kUsage;
        return 2;
    }
    if (setup)
        return setUp(command, database);
    if (command == "import")
        return finish(ServerBackup(database, "").import(argv[2]),
                      std::string("The records of ") + argv[2] + " are on the server now.");
    return backUpOrRestore(command, argv[2], !database.empty());
}

// medora-admin: sets up Medora's records in an empty PostgreSQL database, or checks that a
// database holds them as this version of Medora makes them. The database is the one that
// MEDORA_DATABASE names, as for the program itself.

#include "tools/ServerSetup.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

const char* kUsage =
    "usage: medora-admin init | check | upgrade\n"
    "  init   makes Medora's tables, indexes and clinic row, and the role medora_desk that may\n"
    "         read and write their rows, in the empty database that MEDORA_DATABASE names\n"
    "  check  says whether that database is a Medora database of this version\n"
    "  upgrade  brings a database that an earlier version set up to this version: adds\n"
    "         what the search finds patients by\n"
    "MEDORA_DATABASE is a libpq connection string: \"host=clinic-server dbname=medora\",\n"
    "\"postgresql://clinic-server/medora\" or \"service=medora\".\n";

int report(const ServerSetup& setup, const std::string& first) {
    std::cerr << "medora-admin: " << first << "\n";
    for (const std::string& problem : setup.problems())
        std::cerr << "  " << problem << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc == 2 ? argv[1] : "";
    if (command != "init" && command != "check" && command != "upgrade") {
        std::cerr << kUsage;
        return 2;
    }
    const char* database = std::getenv("MEDORA_DATABASE");
    if (database == nullptr || *database == '\0') {
        std::cerr << "medora-admin: MEDORA_DATABASE does not name a database\n" << kUsage;
        return 2;
    }
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
    std::cout << "This is a Medora database of this version.\n";
    return 0;
}

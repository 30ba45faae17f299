// medora-admin: sets up Medora's records in an empty PostgreSQL database, checks that a
// database holds them as this version of Medora makes them, moves a clinic's records file
// onto its server, backs up and restores the records as the program's Database menu does, and
// exports and imports the records as FHIR.
// The server is the one that MEDORA_DATABASE names, as for the program itself; without it,
// backup and restore work on the records file in Medora's data folder.

#include "exchange/FhirBulkExport.h"
#include "exchange/FhirExport.h"
#include "exchange/FhirImport.h"
#include "records/AuditReport.h"
#include "records/AuditTrail.h"
#include "records/FileFailure.h"
#include "records/RecordsBackup.h"
#include "records/ServerLogins.h"
#include "records/ServerBackup.h"
#include "store/AccessTrail.h"
#include "store/ClinicSettings.h"
#include "store/Database.h"
#include "store/FileUsers.h"
#include "store/LastFailure.h"
#include "store/WholeRecord.h"
#include "tools/DataFolder.h"
#include "tools/ServerSetup.h"
#include "tools/UsersCommand.h"

#include <sys/stat.h>

#include <charconv>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>

namespace {

const char* kUsage =
    "usage: medora-admin init | check | upgrade | import FILE | backup FILE | restore FILE |\n"
    "                    export-fhir --patient N FILE | export-fhir --all FOLDER |\n"
    "                    import-fhir FILE|FOLDER | users ... | lock-after MINUTES |\n"
    "                    audit verify [--against BACKUP] | audit report [FILTER...]\n"
    "  init     makes Medora's tables, indexes, clinic row and the records' identity, and the\n"
    "           roles medora_admin, medora_clinician and medora_reception whose members may\n"
    "           work with them, in the empty database that MEDORA_DATABASE names\n"
    "  check    says whether that database is a Medora database of this version, naming the\n"
    "           upgrade steps it lacks, and whether its key sequences are near their end\n"
    "  upgrade  brings a database that an earlier version set up to this version, making each\n"
    "           step it lacks; the desks refuse the records until it has run\n"
    "  import   loads a Medora records file or backup into that database, which init made and\n"
    "           which holds no patients yet\n"
    "  backup   writes a backup of the records to FILE, as the Database menu does\n"
    "  restore  replaces the records with those of the backup FILE, as the Database menu does,\n"
    "           once the records it replaces are kept as a backup in the data folder's backups\n"
    "  export-fhir --patient N FILE\n"
    "           writes the whole record of the patient whose record number is N to FILE as one\n"
    "           FHIR R4 Bundle (JSON), as the record screen's File > Export record... does\n"
    "  export-fhir --all FOLDER\n"
    "           writes every patient's record into FOLDER as FHIR R4 NDJSON, one file per\n"
    "           resource type, and a README.md that names the format\n"
    "  import-fhir FILE|FOLDER\n"
    "           brings in the records of a FHIR R4 Bundle FILE or of a FHIR Bulk Data FOLDER\n"
    "           of NDJSON files as new patients, all or none, and says what came in and what\n"
    "           Medora could not hold\n"
    "  users    adds, lists, disables, enables and sets the role or a new password of the\n"
    "           people who sign in (medora-admin users for more)\n"
    "  lock-after MINUTES\n"
    "           locks a signed-in desk's screen after that many minutes (1 to 120) without\n"
    "           keyboard or mouse\n"
    "  audit verify [--against BACKUP]\n"
    "           checks that no entry of the audit trail was changed, removed or reordered,\n"
    "           naming the first that was; with --against, also that the trail still begins\n"
    "           with the whole trail that the backup BACKUP holds\n"
    "  audit report [--patient N] [--user NAME] [--action WORD] [--from DAY] [--to DAY]\n"
    "           writes the entries of the audit trail that match as CSV to standard output;\n"
    "           the days are YYYY-MM-DD, in the local time the entries were made\n"
    "MEDORA_DATABASE is a libpq connection string: \"host=clinic-server dbname=medora\",\n"
    "\"postgresql://clinic-server/medora\" or \"service=medora\". Without it, backup,\n"
    "restore, export-fhir and import-fhir work on clinic_db.mdb in Medora's data folder.\n";

int fail(const std::string& why) {
    std::cerr << "medora-admin: " << why << "\n";
    return 1;
}

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

// What was done with the records, entered in the audit trail as the program enters it. When
// it cannot be, that is said, and the status (3) tells a script that the work itself is done.
int entered(int status, const AccessTrail::Entry& entry) {
    if (status != 0 || AccessTrail::enter(entry))
        return status;
    const std::string why = LastFailure::message();
    std::cerr << "medora-admin: what was done could not be entered in the audit trail"
              << (why.empty() ? std::string(".") : ": " + why) << "\n";
    return 3;
}

int setUp(const std::string& command, const std::string& database) {
    ServerSetup setup(database);
    if (command == "init") {
        if (!setup.init())
            return report(setup, "nothing was changed:");
        std::cout << "Medora's records are set up. Give each person a login of their own with "
                     "medora-admin users add NAME --role administrator|clinician|reception.\n";
        return 0;
    }
    if (command == "upgrade") {
        if (!setup.upgrade())
            return report(setup, "nothing was changed:");
        std::cout << "Medora's records are brought up to this version.\n";
        for (const std::string& note : setup.notes())
            std::cout << note << "\n";
        return 0;
    }
    if (!setup.check())
        return report(setup, "this is not a Medora database of this version:");
    if (!setup.numbersLeft())
        return report(setup, "this is a Medora database of this version, but its numbers run out:");
    std::cout << "This is a Medora database of this version.\n";
    return 0;
}

// What keeps the command from the server's records; empty when nothing does.
std::string serverProblem(const std::string& command, const std::string& database) {
    ServerSetup setup(database);
    const std::string unreachable = setup.unreachable();
    if (!unreachable.empty() || command == "init" || setup.initialised())
        return unreachable;
    return "Medora's records are not set up in this database: run medora-admin init first";
}

// A file in a folder that is not there is named by that folder.
std::string missingFolder(const std::string& file) {
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    std::error_code error;
    if (folder.empty() || std::filesystem::is_directory(folder, error))
        return {};
    return "the folder " + folder.string() + " is not there";
}

// The records a restore replaces are kept where the program keeps its automatic backups unless
// the user chose another folder: the data folder's backups, made private when missing.
std::string keepFolder() {
    const std::filesystem::path folder = DataFolder::location() / "backups";
    DataFolder::makePrivate(folder);
    return folder.string();
}

int restore(const std::string& file, const std::string& named) {
    BeforeRestore keep{keepFolder(), DateTime::currentLocal()};
    auto failure = RecordsBackup::restore(named, keep);
    if (failure && failure->file == named)
        failure->file = file;
    std::string done = "The records are restored from " + file + ".";
    if (!keep.keptAs.empty())
        done += " The records they replaced are kept in " + keep.keptAs + ".";
    return entered(finish(failure, done),
                   {Access::Restore, "", "", std::nullopt,
                    {{"backup", named}, {"replaced records kept as", keep.keptAs}}});
}

// The file is named as the user gave it; the records file is the data folder's unless the
// records are on a server. Even then the work runs in the data folder, whose records file a
// backup must never replace: the desks may go back to it.
// An empty text when the work may start in the data folder, else why not.
std::string enterDataFolder(bool onServer) {
    std::error_code error;
    const std::filesystem::path data = DataFolder::location();
    if (!onServer && !std::filesystem::is_directory(data, error))
        return "the data folder " + data.string() +
               " is not there: Medora has not been started on this computer, or "
               "MEDORA_DATA_DIR names another folder";
    std::filesystem::current_path(data, error);
    if (error && !onServer)
        return data.string() + ": " + error.message();
    Engine::setRecordsFile((data / Database::fileName).string());
    DataFolder::keepPrivate();
    return {};
}

int backUpOrRestore(const std::string& command, const std::string& file, bool onServer) {
    const std::string named = std::filesystem::absolute(file).string();
    if (const std::string problem = enterDataFolder(onServer); !problem.empty())
        return fail(problem);
    if (command == "restore")
        return restore(file, named);
    auto failure = RecordsBackup::backup(named);
    if (failure && failure->file == named)
        failure->file = file;
    return entered(finish(failure, "The records are backed up in " + file + "."),
                   {Access::Backup, "", "", std::nullopt, {{"file", named}}});
}

// The record as the store holds it at one moment, written to the file as the user named it.
int exportPatient(const std::string& patientId, const std::string& file, bool onServer) {
    const std::string named = std::filesystem::absolute(file).string();
    if (const std::string problem = enterDataFolder(onServer); !problem.empty())
        return fail(problem);
    WholeRecord record;
    if (!record.Fetch(patientId)) {
        const FailureKind kind = LastFailure::kind();
        if (kind == FailureKind::NoSuchRecord || kind == FailureKind::Refused)
            return fail("no patient has the record number " + patientId + "; nothing was written");
        const std::string why = LastFailure::message();
        return fail((why.empty() ? "the records could not be read" : why) +
                    " Nothing was written.");
    }
    auto failure = FhirExport::writeRecord(record, named);
    if (failure && failure->file == named)
        failure->file = file;
    return entered(
        finish(failure,
               "The record of patient " + record.m_patientId + " is written to " + file + "."),
        {Access::Export, "patient_info", record.m_patientId, std::stoll(record.m_patientId),
         {{"what", "FHIR record"}, {"file", named}}});
}

// Every record, read at one moment, into the folder as the user named it.
int exportClinic(const std::string& folder, bool onServer) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return fail("the folder " + folder + " is not there");
    const std::string named = std::filesystem::absolute(folder).string();
    if (const std::string problem = enterDataFolder(onServer); !problem.empty())
        return fail(problem);
    std::vector<FhirBulkExport::Written> written;
    const auto failure = FhirBulkExport::writeClinic(named, &written);
    std::string done = "The records are written to " + folder + ":";
    for (const FhirBulkExport::Written& file : written)
        done += " " + std::to_string(file.resources) + " " + file.type + ",";
    done.back() = '.';
    return entered(finish(failure, done), {Access::Export, "", "", std::nullopt,
                                           {{"what", "every record"}, {"folder", named}}});
}

// Every record of the file or folder, or none; the report of what came in.
int importFhir(const std::string& input, bool onServer) {
    const std::string named = std::filesystem::absolute(input).string();
    if (const std::string problem = enterDataFolder(onServer); !problem.empty())
        return fail(problem);
    FhirImport::Outcome outcome = FhirImport::run(named);
    if (outcome.kind != FhirImport::Outcome::Imported)
        return fail(outcome.message);
    std::cout << "The records of " << input << " are imported: "
              << outcome.report.describe();
    return entered(0, {Access::Import, "", "", std::nullopt, {{"file", named}}});
}

// The people who sign in: the file's users, or the server's logins in Medora's groups.
int manageUsers(const std::vector<std::string>& args, const std::string& database) {
    if (!database.empty()) {
        ServerLogins logins(database);
        return UsersCommand(logins, std::cin).run(args);
    }
    if (const std::string problem = enterDataFolder(false); !problem.empty())
        return fail(problem);
    FileUsers users;
    return UsersCommand(users, std::cin).run(args);
}

int lockAfter(const std::string& minutes, bool onServer) {
    if (const std::string problem = enterDataFolder(onServer); !problem.empty())
        return fail(problem);
    int value = 0;
    const auto [end, error] = std::from_chars(minutes.data(), minutes.data() + minutes.size(), value);
    if (error != std::errc() || end != minutes.data() + minutes.size() ||
        value < ClinicSettings::shortestLock || value > ClinicSettings::longestLock)
        return fail("the minutes are a whole number from 1 to 120");
    if (!ClinicSettings::setLockMinutes(value)) {
        const std::string why = LastFailure::message();
        return fail(why.empty() ? "the setting could not be saved" : why);
    }
    std::cout << "A signed-in desk's screen locks after " << value
              << (value == 1 ? " minute" : " minutes") << " without keyboard or mouse.\n";
    return 0;
}

// The trail read through `read`, which throws what keeps it from being read.
std::optional<std::vector<AuditEntry>> trailOf(const std::function<std::vector<AuditEntry>()>& read,
                                               std::string& problem) {
    try {
        return read();
    } catch (const std::exception& error) {
        problem = error.what();
        return std::nullopt;
    }
}

// Enters the data folder, or checks the server, for the audit commands; empty when ready.
std::string trailProblem(const std::string& database) {
    return database.empty() ? enterDataFolder(false) : serverProblem("audit", database);
}

// The entries of the server's records, or of the data folder's records file, that match.
std::optional<std::vector<AuditEntry>> recordsTrail(const std::string& database,
                                                    const AuditReport::Filter& filter,
                                                    std::string& problem) {
    problem = trailProblem(database);
    if (!problem.empty())
        return std::nullopt;
    const auto trail = trailOf(
        [&] {
            return database.empty() ? AuditTrail::ofFile(Engine::recordsFile(), filter)
                                    : AuditTrail::ofServer(database, {}, filter);
        },
        problem);
    if (!trail)
        problem = "the audit trail cannot be read: " + problem;
    return trail;
}

int trailIsWhole(long long entries, const std::string& lastHash) {
    std::cout << "The audit trail is whole: " << entries << (entries == 1 ? " entry" : " entries")
              << ", the last hashed " << lastHash << ".\n";
    return 0;
}

// The trail checked as it is read, none of its entries held.
int verifyWalkingTrail(const std::string& database) {
    if (const std::string problem = trailProblem(database); !problem.empty())
        return fail(problem);
    AuditChain::Walk walk;
    std::optional<AuditChain::Break> broken;
    const auto check = [&](const AuditEntry& entry) {
        if (!broken)
            broken = walk.next(entry);
    };
    try {
        if (database.empty())
            AuditTrail::eachOfFile(Engine::recordsFile(), check);
        else
            AuditTrail::eachOfServer(database, {}, check);
    } catch (const std::exception& error) {
        return fail(std::string("the audit trail cannot be read: ") + error.what());
    }
    if (broken)
        return fail("the audit trail is broken: " + broken->why);
    return trailIsWhole(walk.entries(), walk.lastHash());
}

// 0 when the trail is whole (and begins with the backup's), 1 naming the first entry found
// wrong, or when a trail cannot be read.
int verifyTrail(const std::string& database, const std::string& backup) {
    if (backup.empty())
        return verifyWalkingTrail(database);
    std::string problem;
    const auto trail = recordsTrail(database, {}, problem);
    if (!trail)
        return fail(problem);
    if (const auto broken = AuditChain::firstBreak(*trail))
        return fail("the audit trail is broken: " + broken->why);
    const auto earlier = trailOf([&] { return AuditTrail::ofFile(backup); }, problem);
    if (!earlier)
        return fail("the backup's audit trail cannot be read: " + problem);
    if (const auto departed = AuditChain::departure(*trail, *earlier))
        return fail("the audit trail does not begin with the backup's: " + departed->why);
    return trailIsWhole(static_cast<long long>(trail->size()),
                        trail->empty() ? AuditChain::kFirstPrevious : trail->back().hash);
}

int reportTrail(const std::vector<std::string>& options, const std::string& database) {
    std::string problem;
    const auto filter = AuditReport::filterOf(options, problem);
    if (!filter)
        return fail(problem);
    const auto trail = recordsTrail(database, *filter, problem);
    if (!trail)
        return fail(problem);
    AuditReport::write(std::cout, *trail, *filter);
    return 0;
}

int audit(const std::vector<std::string>& args, const std::string& database) {
    if (!args.empty() && args[0] == "report")
        return reportTrail(std::vector<std::string>(args.begin() + 1, args.end()), database);
    if (args.size() == 1 && args[0] == "verify")
        return verifyTrail(database, "");
    if (args.size() == 3 && args[0] == "verify" && args[1] == "--against") {
        if (const std::string missing = missingFolder(args[2]); !missing.empty())
            return fail(missing);
        return verifyTrail(database, std::filesystem::absolute(args[2]).string());
    }
    std::cerr << kUsage;
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc >= 2 ? argv[1] : "";
    const bool setup = command == "init" || command == "check" || command == "upgrade";
    const bool withFile = command == "import" || command == "backup" || command == "restore";
    const bool exportOne =
        command == "export-fhir" && argc == 5 && argv[2] == std::string("--patient");
    const bool exportAll = command == "export-fhir" && argc == 4 && argv[2] == std::string("--all");
    const bool importAny = command == "import-fhir" && argc == 3;
    const char* variable = std::getenv("MEDORA_DATABASE");
    const std::string database = variable != nullptr ? variable : "";
    if (command == "users")
        return manageUsers(std::vector<std::string>(argv + 2, argv + argc), database);
    if (command == "audit")
        return audit(std::vector<std::string>(argv + 2, argv + argc), database);
    if (command == "lock-after" && argc == 3)
        return lockAfter(argv[2], !database.empty());
    if (!(setup && argc == 2) && !(withFile && argc == 3) && !exportOne && !exportAll &&
        !importAny) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string file = argv[argc - 1];
    if (database.empty() && (setup || command == "import")) {
        std::cerr << "medora-admin: MEDORA_DATABASE does not name a database\n" << kUsage;
        return 2;
    }
    if (withFile || exportOne)
        if (const std::string missing = missingFolder(file); !missing.empty())
            return fail(missing);
    if (!database.empty())
        if (const std::string problem = serverProblem(command, database); !problem.empty())
            return fail(problem);
    if (setup)
        return setUp(command, database);
    if (command == "import")
        return entered(finish(ServerBackup(database, "").import(file),
                              "The records of " + file + " are on the server now."),
                       {Access::Import, "", "", std::nullopt,
                        {{"file", std::filesystem::absolute(file).string()}}});
    if (exportOne)
        return exportPatient(argv[3], file, !database.empty());
    if (exportAll)
        return exportClinic(file, !database.empty());
    if (importAny)
        return importFhir(file, !database.empty());
    return backUpOrRestore(command, file, !database.empty());
}

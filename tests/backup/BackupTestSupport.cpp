#include "BackupTestSupport.h"

#include <sqlite3.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

std::string BackupTest::contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string BackupTest::fingerprint(const std::string& path) {
    const std::string data = contents(path);
    return std::to_string(data.size()) + " bytes, hash " +
           std::to_string(std::hash<std::string>()(data));
}

std::string BackupTest::recordsIn(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::string rows;
    const auto add = [](void* into, int columns, char** values, char**) {
        for (int i = 0; i < columns; ++i)
            *static_cast<std::string*>(into) += std::string(values[i] ? values[i] : "NULL") + "|";
        *static_cast<std::string*>(into) += "\n";
        return 0;
    };
    std::vector<std::string> tables;
    sqlite3_exec(
        db,
        "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT IN ('audit_trail',"
        " 'sqlite_sequence') ORDER BY name",
        [](void* into, int, char** values, char**) {
            static_cast<std::vector<std::string>*>(into)->push_back(values[0]);
            return 0;
        },
        &tables, nullptr);
    for (const std::string& table : tables) {
        rows += table + ":\n";
        sqlite3_exec(db, ("SELECT * FROM \"" + table + "\" ORDER BY 1, 2, 3").c_str(), add,
                     &rows, nullptr);
    }
    sqlite3_close(db);
    return rows;
}

void BackupTest::write(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

void BackupTest::fill(long long bytes) {
    const long long rows = bytes / 1000 + 1;
    query("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
          std::to_string(rows) +
          ") INSERT INTO patient_info (first_name, last_name, DOB, address)"
          " SELECT 'Pat' || i, 'Long', '1970-01-01 00:00:00', hex(randomblob(500)) FROM n");
}

std::vector<std::string> BackupTest::files() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

unsigned BackupTest::mode(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

bool BackupTest::shellCanRead() {
    const std::string command = std::string(MEDORA_SQLITE3_SHELL) +
                                " -cmd '.timeout 0' clinic_db.mdb"
                                " 'SELECT count(*) FROM patient_info' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::optional<FileFailure::Kind>
BackupTest::inChild(long long fileLimit, const std::function<std::optional<FileFailure>()>& work) {
    const pid_t child = fork();
    if (child == 0) {
        // Past the limit a write fails with EFBIG, as on a full disk, instead of killing.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(fileLimit), rlim_t(fileLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
        const auto failure = work();
        _exit(failure ? 1 + failure->kind : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        ADD_FAILURE() << "the child did not finish";
    const int code = WEXITSTATUS(status);
    return code == 0 ? std::nullopt : std::optional(FileFailure::Kind(code - 1));
}

bool changeFile(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    const bool done = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                      sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return done;
}

#pragma once

#include "../store/TestDatabase.h"

#include "records/FileFailure.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A fresh records database in a temporary folder that is the current directory, with what
// the backup tests check files with.
class BackupTest : public TestDatabase {
protected:
    static std::string contents(const std::string& path);
    // The length and a hash of the contents: short to print, equal for equal files.
    static std::string fingerprint(const std::string& path);
    // Every row of every table but the audit trail, which a restore keeps as it is today.
    static std::string recordsIn(const std::string& path);
    static void write(const std::string& path, const std::string& data);
    // Grows the records past that many bytes with patients of long addresses.
    void fill(long long bytes);
    // The names in the current folder, sorted.
    static std::vector<std::string> files();
    static unsigned mode(const std::string& path);
    // Whether another program can read the records right now, without waiting.
    static bool shellCanRead();
    // Runs work in a child process that may write at most fileLimit bytes to any file; gives
    // the kind of failure it reported, or nothing when it succeeded.
    static std::optional<FileFailure::Kind>
    inChild(long long fileLimit, const std::function<std::optional<FileFailure>()>& work);
};

// Runs SQL on a records file or backup, as another program would; whether it went through.
bool changeFile(const std::string& path, const std::string& sql);

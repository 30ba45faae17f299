#pragma once

#include <string>

// What went wrong with which file, or with the records server, during a whole-database
// operation, described in the words the platform uses for file errors.
struct FileFailure {
    enum Kind {
        NotFound,
        BadPath,
        AccessDenied,
        SharingViolation,
        TooManyOpenFiles,
        DiskFull,
        HardIO,
        OutOfMemory,
        NotRecords,    // not a Medora database, or a damaged one
        FailedCheck,   // a backup just written is not a whole Medora database; detail may say why
        RecordsItself, // a backup's target is the records file, however named, or its journal
        Refused,       // a database that is not as Medora makes its records; detail says how
        ServerFailed,  // the records server refused or failed; detail says how
        HoldsPatients, // an import into records that are not empty
        Damaged,       // the engine's check found the records file damaged; detail says what
        RescueFailed,  // the rows of a damaged file could not be rescued; detail says why
        NotKept,       // the records a restore would replace could not be kept; detail says why
        Cancelled,
        Unknown,
    };

    Kind kind = Unknown;
    std::string file;        // the name as the user gave it or the program opened it
    std::string detail = {}; // the server's or the engine's own words

    static FileFailure fromErrno(int error, const std::string& file);

    static FileFailure server(const std::string& detail) { return {ServerFailed, {}, detail}; }

    std::string describe() const;

    bool operator==(const FileFailure&) const = default;
};

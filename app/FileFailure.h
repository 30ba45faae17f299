#pragma once

#include "platform/MessageBox.h"

#include <string>

// What went wrong with which file during a whole-file operation, described in the words the
// platform uses for file errors.
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
        NotRecords, // not a Medora database, or a damaged one
        Unknown,
    };

    Kind kind = Unknown;
    std::string file; // the name as the user gave it or the program opened it

    static FileFailure fromErrno(int error, const std::string& file);

    std::string describe() const;
    MsgIcon icon() const { return kind == OutOfMemory ? MsgIcon::Exclamation : MsgIcon::Stop; }

    bool operator==(const FileFailure&) const = default;
};

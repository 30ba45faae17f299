#pragma once

#include "records/FileFailure.h"
#include "records/Progress.h"
#include "records/RecordsBackup.h"
#include "records/RecordsRescue.h"

#include <memory>
#include <optional>
#include <string>

// The whole-database work of the engine that holds the records in use: this computer's
// records file, or the clinic's server. The screens and medora-admin ask it what they need,
// never which engine it is.
class RecordsEngine {
public:
    using Outcome = std::optional<FileFailure>; // nothing when the operation succeeded

    // The engine of the records in use, with the password the user gave for a server.
    static std::unique_ptr<RecordsEngine> current();

    virtual ~RecordsEngine() = default;

    // Whether there are records to work on yet: the file is made on the program's first start,
    // a server's records by medora-admin before any desk uses them.
    virtual bool exists() const = 0;
    // Writes a proven backup of the records to target.
    virtual Outcome backup(const std::string& target, const Progress& progress) const = 0;
    // The identity of the records, given to them on their first use.
    virtual Outcome identity(std::string& id) const = 0;
    // Keeps the records a restore replaces in keep.folder, naming the file in keep.keptAs, and
    // gives in id the identity the restored records are to keep.
    virtual Outcome keep(BeforeRestore& keep, std::string& id, const Progress& progress) const = 0;
    // Puts the records of source, which has proved to be a whole Medora database, in place of
    // the records in use; they take the identity id where the engine keeps it with them.
    virtual Outcome replace(const std::string& source, const std::string& id,
                            const Progress& progress) const = 0;
    // What the engine's own check finds wrong with the records; nothing when they are whole.
    virtual Outcome check() const = 0;
    // The rescue of every row that can still be read from damaged records; nothing where the
    // engine has no such damage to rescue from.
    virtual std::unique_ptr<RecordsRescue> rescue() const = 0;

protected:
    // Only an id as Medora makes them ever names a file.
    static bool madeByMedora(const std::string& id);
    // A name no file in the folder has: two restores in one second keep both sets they
    // replaced.
    static std::string keptName(const BeforeRestore& keep, const std::string& id);
    // A restore that cannot keep the records it would replace does not go on. A stopped one is
    // only stopped.
    static FileFailure notKept(const FileFailure& failure, const std::string& target);
};

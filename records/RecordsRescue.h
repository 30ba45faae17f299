#pragma once

#include "records/FileFailure.h"
#include "records/UnreadablePatients.h"

#include <sys/stat.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class PendingFile;

// How many rows of one table a rescue saved, against how many the damaged file claims: its
// count where the table is readable, else the rows read and the keys of the stretches that
// were not.
struct RescuedTable {
    std::string name;
    long long rescued = 0;
    long long claimed = 0;
};

// Builds new records from every row of a damaged records file that can still be read, into a
// file beside it; the rescued file takes the records' name only when asked, and the damaged
// one is then kept beside it under a dated name. The rows are read through the engine, table
// by table in key order, stepping over the stretches of keys whose pages are unreadable; the
// rows of those stretches are then read from the file's pages, as are every table's when the
// engine cannot read the file at all (its header or first page lost, or the file cut short):
// Medora's schema is known, so the file's own need not be read.
class RecordsRescue {
public:
    using Outcome = std::optional<FileFailure>; // nothing when the step succeeded

    explicit RecordsRescue(std::string records);
    ~RecordsRescue();
    RecordsRescue(const RecordsRescue&) = delete;
    RecordsRescue& operator=(const RecordsRescue&) = delete;

    // Writes the rescued records to a file of their own beside the damaged ones.
    Outcome build();
    // Medora's tables in the order the schema makes them, once build() has succeeded.
    const std::vector<RescuedTable>& tables() const { return m_tables; }
    // The patients some of whose rows could not be read, by record number, once build() has
    // succeeded.
    const std::vector<UnreadablePatient>& unreadable() const { return m_unreadable; }
    // Under the records' lock, keeps the damaged file under its dated name and puts the
    // rescued one in its place; the damaged file's new name goes to keptAs.
    Outcome replace(std::string& keptAs);

    // The name the damaged file is kept under: clinic_db.damaged-YYYY-MM-DD-HHMMSS.mdb for
    // clinic_db.mdb, with a number added when a file already has that name.
    static std::string keptName(const std::string& records, int attempt);

private:
    void copyRows();

    std::string m_records;
    std::unique_ptr<PendingFile> m_rescued;
    std::vector<RescuedTable> m_tables;
    std::vector<UnreadablePatient> m_unreadable;
    struct stat m_before {};
};

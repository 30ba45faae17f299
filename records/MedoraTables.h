#pragma once

#include <string>
#include <vector>

struct MedoraColumn {
    std::string name;
    bool integer = false; // INTEGER, else TEXT
    bool date = false;    // TEXT held to the form of a date and time by its CHECK
};

struct MedoraTable {
    std::string name;
    std::vector<MedoraColumn> columns;
    // The INTEGER PRIMARY KEY column; empty when the rows are kept in the order of SQLite's
    // hidden rowid, which the server's tables hold as a column named rowid.
    std::string key;
    // Whether SQLite remembers the largest key ever given (sqlite_sequence).
    bool autoincrement = false;
    // Rows the program makes from the other tables' (the search's keys), which a copy of the
    // records makes anew rather than copies.
    bool derived = false;
    // The records' identity (records_identity), which a backup carries but a restore or an
    // import never brings in: the records in place keep their own.
    bool identity = false;
    // The users who sign in to a records file: a server keeps its users as its own logins, so
    // this table is neither copied from a server nor onto one.
    bool fileOnly = false;
    // The audit trail, which a backup carries but a restore or an import onto a server never
    // replaces: no desk may change the server's own, whose triggers enter what the restore does.
    bool trail = false;
    // Its first page in a file made from the schema, as every records file was: the page its
    // rows are found from when the file's own schema is lost.
    long long root = 0;
    // The table in the user's words: one row ("Visit") and all of them ("visits").
    std::string row;
    std::string rows;
};

// Medora's tables as the supplied empty database has them, read from the schema the program
// was built with, so that whatever copies every table finds them all in this one place.
class MedoraTables {
public:
    // Empty only when the schema could not be read.
    static const std::vector<MedoraTable>& all();
    // The tables a server holds: all but the file's own.
    static const std::vector<MedoraTable>& onServer();
    // The table of that name; nothing when Medora has none.
    static const MedoraTable* find(const std::string& name);
};

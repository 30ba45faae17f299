#include "store/SchemaSteps.h"

// To change the shape of the records: make schema.sql and schema-postgresql.sql make them as
// they are to be, with schema.sql's user_version one more, and add one step at the end of this
// list, numbered one more than the last, whose statements bring records of the step before to
// that shape on each engine, and whose rows say what the program then makes (a step that only
// makes the search keys anew has no statements). Nothing else changes: the files, the server's
// upgrade and check, the desks and the check of backups all go by this list. A step is never
// changed or removed once released, for records and backups in the clinics stand at each.
namespace {

// Each table's index of rows by patient, made again as a hash.
std::string patientIndexesByHash() {
    std::string statements;
    for (const char* table :
         {"complaints", "history_entries", "patient_medications", "tests", "search_words"})
        statements += std::string("DROP INDEX IF EXISTS ") + table + "_patient;\n" + "CREATE INDEX " +
                      table + "_patient ON " + table + " USING hash (patient_ID);\n";
    return statements;
}

} // namespace

const std::vector<SchemaStep>& SchemaSteps::all() {
    static const std::vector<SchemaStep> steps = {
        {1,
         "the search's keys",
         {"search_words"},
         // Made again from the patients, so dropped first: files that are marked as yet to get
         // their keys may hold the table already. The index is made once the keys are in: in
         // one go, it takes a fraction of the time of keeping it row by row.
         {"DROP TABLE IF EXISTS search_words",
          "CREATE TABLE search_words (\n"
          "    word       TEXT NOT NULL,\n"
          "    kind       INTEGER NOT NULL,\n"
          "    patient_ID INTEGER NOT NULL,\n"
          "    sort_name  TEXT NOT NULL,\n"
          "    PRIMARY KEY (kind, word, patient_ID)\n"
          ") STRICT, WITHOUT ROWID"},
         "CREATE TABLE IF NOT EXISTS search_words (\n"
         "    word       text COLLATE \"C\" NOT NULL,\n"
         "    kind       integer NOT NULL,\n"
         "    patient_ID integer NOT NULL,\n"
         "    sort_name  text COLLATE \"C\" NOT NULL,\n"
         "    PRIMARY KEY (kind, word, patient_ID) INCLUDE (sort_name)\n"
         ");\n"
         "CREATE INDEX IF NOT EXISTS search_words_patient ON search_words (patient_ID);",
         StepRows::SearchKeys,
         {"CREATE INDEX search_words_patient ON search_words (patient_ID)"}},
        {2,
         "the records' identity",
         {"records_identity"},
         // The supplied empty file of the step before holds the table already, without its row.
         {"CREATE TABLE IF NOT EXISTS records_identity (\n"
          "    only_row INTEGER PRIMARY KEY CHECK (only_row = 1),\n"
          "    id       TEXT NOT NULL CHECK (length(id) = 32 AND id NOT GLOB '*[^0-9a-f]*')\n"
          ") STRICT"},
         "CREATE TABLE IF NOT EXISTS records_identity (\n"
         "    only_row integer PRIMARY KEY CHECK (only_row = 1),\n"
         "    id       text NOT NULL CHECK (id ~ '^[0-9a-f]{32}$')\n"
         ");",
         StepRows::Identity},
        {3, "search keys for names written with apostrophes and hyphens", {}, {}, "",
         StepRows::SearchKeys},
        // Only the server's indexes change: the file's lock lets one desk at a time work anyway.
        {4, "indexes by patient that let several desks work side by side", {}, {},
         patientIndexesByHash()},
        {5,
         "users who sign in, and the clinic's settings",
         {"users", "clinic_settings"},
         // A file an earlier version wrote back may hold them already.
         {
          "CREATE TABLE IF NOT EXISTS users (\n"
          "    user_ID              INTEGER PRIMARY KEY AUTOINCREMENT,\n"
          "    name                 TEXT NOT NULL UNIQUE CHECK (length(name) BETWEEN 1 AND 63),\n"
          "    full_name            TEXT NOT NULL DEFAULT '',\n"
          "    role                 TEXT NOT NULL CHECK (role IN ('administrator', 'clinician', 'reception')),\n"
          "    password_hash        TEXT NOT NULL,\n"
          "    disabled             INTEGER NOT NULL DEFAULT 0 CHECK (disabled IN (0, 1)),\n"
          "    must_change_password INTEGER NOT NULL DEFAULT 0 CHECK (must_change_password IN (0, 1)),\n"
          "    failed_sign_ins      INTEGER NOT NULL DEFAULT 0,\n"
          "    wait_until           INTEGER NOT NULL DEFAULT 0\n"
          ") STRICT",
          "CREATE TABLE IF NOT EXISTS clinic_settings (\n"
          "    only_row           INTEGER PRIMARY KEY CHECK (only_row = 1),\n"
          "    lock_after_minutes INTEGER NOT NULL CHECK (lock_after_minutes BETWEEN 1 AND 120)\n"
          ") STRICT"},
         "CREATE TABLE IF NOT EXISTS clinic_settings (\n"
         "    only_row           integer PRIMARY KEY CHECK (only_row = 1),\n"
         "    lock_after_minutes integer NOT NULL CHECK (lock_after_minutes BETWEEN 1 AND 120)\n"
         ");"},
        // The server's triggers that write it come with the desks' rights, on every upgrade.
        {6,
         "the audit trail",
         {"audit_trail"},
         {"CREATE TABLE IF NOT EXISTS audit_trail (\n"
          "    entry_id      INTEGER PRIMARY KEY AUTOINCREMENT,\n"
          "    time_utc      TEXT NOT NULL,\n"
          "    time_local    TEXT NOT NULL,\n"
          "    user_name     TEXT NOT NULL,\n"
          "    desk          TEXT NOT NULL,\n"
          "    action        TEXT NOT NULL,\n"
          "    table_name    TEXT NOT NULL,\n"
          "    record_id     TEXT NOT NULL,\n"
          "    patient_id    INTEGER,\n"
          "    details       TEXT NOT NULL,\n"
          "    previous_hash TEXT NOT NULL,\n"
          "    hash          TEXT NOT NULL\n"
          ") STRICT"},
         "CREATE TABLE IF NOT EXISTS audit_trail (\n"
         "    entry_id      integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,\n"
         "    time_utc      text NOT NULL,\n"
         "    time_local    text NOT NULL,\n"
         "    user_name     text NOT NULL,\n"
         "    desk          text NOT NULL,\n"
         "    action        text NOT NULL,\n"
         "    table_name    text NOT NULL,\n"
         "    record_id     text NOT NULL,\n"
         "    patient_id    integer,\n"
         "    details       text NOT NULL,\n"
         "    previous_hash text NOT NULL,\n"
         "    hash          text NOT NULL\n"
         ");"},
        // A patient's entries and one row's versions are read without reading the whole trail.
        {7,
         "the audit trail's index by patient and row",
         {},
         {"CREATE INDEX IF NOT EXISTS audit_trail_row ON audit_trail (patient_id, table_name,"
          " record_id)"},
         "CREATE INDEX IF NOT EXISTS audit_trail_row ON audit_trail (patient_id, table_name,"
         " record_id);",
         StepRows::None,
         {},
         {"audit_trail_row"}},
        // An empty table that every transaction of the desks that changes the records locks
        // first (PostgresDialect::begin). Only the server's: on the file, its exclusive lock
        // makes the writers take turns already.
        {8, "the writers' turn", {}, {},
         "CREATE TABLE IF NOT EXISTS medora_write_turn (\n"
         "    only_row integer PRIMARY KEY CHECK (only_row = 1)\n"
         ");"},
        // The server's writers enter their entries without the hashes, which whoever reads
        // the chain makes first (medora_audit_seal), rather than waiting for one another at
        // the end of the chain. Only the server's: the file's writers take turns already.
        {9, "the audit trail's hashes made when it is read", {}, {},
         "ALTER TABLE audit_trail ALTER COLUMN previous_hash DROP NOT NULL,\n"
         "    ALTER COLUMN hash DROP NOT NULL;\n"
         "DROP TABLE IF EXISTS medora_audit_head;"},
    };
    return steps;
}

int SchemaSteps::current() {
    return all().empty() ? 0 : all().back().number;
}

std::vector<const SchemaStep*> SchemaSteps::after(int step) {
    std::vector<const SchemaStep*> lacking;
    for (const SchemaStep& made : all())
        if (made.number > step)
            lacking.push_back(&made);
    return lacking;
}

const char* SchemaSteps::serverVersionSchema() {
    return "CREATE TABLE IF NOT EXISTS medora_version (\n"
           "    only_row integer PRIMARY KEY CHECK (only_row = 1),\n"
           "    step     integer NOT NULL\n"
           ");";
}

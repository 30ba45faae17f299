-- The supplied empty records database: `sqlite3 clinic_db.mdb < schema.sql` makes it.
-- Column order matters where the program or another client reads "SELECT *".
-- Dates are local time as 'YYYY-MM-DD HH:MM:SS', so any SQLite client can read them;
-- the CHECK keeps other clients from storing a date the program could not read back.

BEGIN;

CREATE TABLE patient_info (
    ID          INTEGER PRIMARY KEY AUTOINCREMENT,
    first_name  TEXT NOT NULL DEFAULT '',
    last_name   TEXT NOT NULL DEFAULT '',
    DOB         TEXT NOT NULL CHECK (DOB GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'),
    Gender      INTEGER NOT NULL DEFAULT 0,
    address     TEXT NOT NULL DEFAULT '',
    telephone   TEXT NOT NULL DEFAULT ''
) STRICT;

CREATE TABLE complaints (
    compl_ID        INTEGER PRIMARY KEY AUTOINCREMENT,
    patient_ID      INTEGER NOT NULL,
    date            TEXT NOT NULL CHECK (date GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'),
    complaint       TEXT NOT NULL DEFAULT '',
    temp            TEXT NOT NULL DEFAULT '',
    bp              TEXT NOT NULL DEFAULT '',
    RR              TEXT NOT NULL DEFAULT '',
    pulse           TEXT NOT NULL DEFAULT '',
    height          TEXT NOT NULL DEFAULT '',
    weight          TEXT NOT NULL DEFAULT '',
    eyes            TEXT NOT NULL DEFAULT '',
    HEENT           TEXT NOT NULL DEFAULT '',
    respiratory     TEXT NOT NULL DEFAULT '',
    cardiovascular  TEXT NOT NULL DEFAULT '',
    GIT             TEXT NOT NULL DEFAULT '',
    genitourinary   TEXT NOT NULL DEFAULT '',
    endocrine       TEXT NOT NULL DEFAULT '',
    musculoskeletal TEXT NOT NULL DEFAULT '',
    hema_lymph      TEXT NOT NULL DEFAULT '',
    dermatology     TEXT NOT NULL DEFAULT '',
    psycho_neuro    TEXT NOT NULL DEFAULT '',
    other           TEXT NOT NULL DEFAULT '',
    diagnosis       TEXT NOT NULL DEFAULT '',
    treatment       TEXT NOT NULL DEFAULT ''
) STRICT;
CREATE INDEX complaints_patient ON complaints (patient_ID);

CREATE TABLE history_entries (
    entry_ID      INTEGER PRIMARY KEY AUTOINCREMENT,
    patient_ID    INTEGER NOT NULL,
    entry_type    TEXT NOT NULL DEFAULT '',
    entry_details TEXT NOT NULL DEFAULT ''
) STRICT;
CREATE INDEX history_entries_patient ON history_entries (patient_ID);

CREATE TABLE patient_medications (
    medication_ID INTEGER PRIMARY KEY AUTOINCREMENT,
    patient_ID    INTEGER NOT NULL,
    name          TEXT NOT NULL DEFAULT '',
    status        TEXT NOT NULL DEFAULT ''
) STRICT;
CREATE INDEX patient_medications_patient ON patient_medications (patient_ID);

CREATE TABLE meds_list (
    name TEXT NOT NULL
) STRICT;
CREATE UNIQUE INDEX meds_list_name ON meds_list (name);

CREATE TABLE tests (
    test_ID    INTEGER PRIMARY KEY AUTOINCREMENT,
    patient_ID INTEGER NOT NULL,
    date       TEXT NOT NULL CHECK (date GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'),
    type       TEXT NOT NULL DEFAULT '',
    results    TEXT NOT NULL DEFAULT ''
) STRICT;
CREATE INDEX tests_patient ON tests (patient_ID);

CREATE TABLE tests_list (
    name TEXT NOT NULL
) STRICT;
CREATE UNIQUE INDEX tests_list_name ON tests_list (name);

-- The postal code is text: a number would drop leading zeros and refuse letters.
CREATE TABLE clinic_info (
    info_ID            INTEGER PRIMARY KEY,
    clinic_name        TEXT NOT NULL DEFAULT '',
    doc_name           TEXT NOT NULL DEFAULT '',
    doc_qualifications TEXT NOT NULL DEFAULT '',
    phone              TEXT NOT NULL DEFAULT '',
    street             TEXT NOT NULL DEFAULT '',
    city               TEXT NOT NULL DEFAULT '',
    province           TEXT NOT NULL DEFAULT '',
    postal_code        TEXT NOT NULL DEFAULT '',
    set_status         INTEGER NOT NULL DEFAULT 0
) STRICT;
INSERT INTO clinic_info (info_ID) VALUES (1);

-- What the search looks patients up by, kept by the program with every change to a patient:
-- each word of the first and last name (kind 0 and 1), each tail of four or more digits of
-- the telephone number (2) and the date of birth as YYYYMMDD (3), all lower case and without
-- accents, each beside the patient's names in the same form, last name first, which lists
-- of found patients are ordered by. A search looks up each kind apart: a typed beginning is
-- then one range of the key, and "12" never wades through telephone numbers.
CREATE TABLE search_words (
    word       TEXT NOT NULL,
    kind       INTEGER NOT NULL,
    patient_ID INTEGER NOT NULL,
    sort_name  TEXT NOT NULL,
    PRIMARY KEY (kind, word, patient_ID)
) STRICT, WITHOUT ROWID;
CREATE INDEX search_words_patient ON search_words (patient_ID);

-- The identity of this set of records: one random id, which their backups carry and are named
-- by, so that the backups of different records never replace each other. The program gives
-- the records their id on first use, never this script: every copy of the supplied empty
-- database would share it otherwise.
CREATE TABLE records_identity (
    only_row INTEGER PRIMARY KEY CHECK (only_row = 1),
    id       TEXT NOT NULL CHECK (length(id) = 32 AND id NOT GLOB '*[^0-9a-f]*')
) STRICT;

-- The people who may sign in to this file, and what each may do. The password is kept as
-- libsodium's Argon2id hash; wait_until (seconds since 1970) is when the next try is let in
-- after too many wrong ones. A server keeps its users as its own logins instead.
CREATE TABLE users (
    user_ID              INTEGER PRIMARY KEY AUTOINCREMENT,
    name                 TEXT NOT NULL UNIQUE CHECK (length(name) BETWEEN 1 AND 63),
    full_name            TEXT NOT NULL DEFAULT '',
    role                 TEXT NOT NULL CHECK (role IN ('administrator', 'clinician', 'reception')),
    password_hash        TEXT NOT NULL,
    disabled             INTEGER NOT NULL DEFAULT 0 CHECK (disabled IN (0, 1)),
    must_change_password INTEGER NOT NULL DEFAULT 0 CHECK (must_change_password IN (0, 1)),
    failed_sign_ins      INTEGER NOT NULL DEFAULT 0,
    wait_until           INTEGER NOT NULL DEFAULT 0
) STRICT;

-- Settings the whole clinic shares; a missing row means each setting's default.
CREATE TABLE clinic_settings (
    only_row           INTEGER PRIMARY KEY CHECK (only_row = 1),
    lock_after_minutes INTEGER NOT NULL CHECK (lock_after_minutes BETWEEN 1 AND 120)
) STRICT;

-- Every change of the records above, one entry each, in the change's own transaction: when
-- (UTC as YYYY-MM-DDTHH:MM:SS.fffZ, and the desk's local time), who, at which desk, what was
-- done to which row, and the row as it was before (for an added row, as it was added) as JSON.
-- Access to the records is entered here too. Each entry's hash is the SHA-256, in lowercase
-- hex, of the hash before it (64 zeros for the first) and its own text (records/AuditChain),
-- so that an entry changed, removed or moved breaks the chain. The program adds the entries
-- through temporary triggers of its own connection: the file itself holds no trigger.
CREATE TABLE audit_trail (
    entry_id      INTEGER PRIMARY KEY AUTOINCREMENT,
    time_utc      TEXT NOT NULL,
    time_local    TEXT NOT NULL,
    user_name     TEXT NOT NULL,
    desk          TEXT NOT NULL,
    action        TEXT NOT NULL,
    table_name    TEXT NOT NULL,
    record_id     TEXT NOT NULL,
    patient_id    INTEGER,
    details       TEXT NOT NULL,
    previous_hash TEXT NOT NULL,
    hash          TEXT NOT NULL
) STRICT;
-- A patient's entries, and one row's versions, in the order they were entered.
CREATE INDEX audit_trail_row ON audit_trail (patient_id, table_name, record_id);

-- The schema step of the program (store/SchemaSteps.cpp) these tables are the shape of.
PRAGMA user_version = 9;

COMMIT;

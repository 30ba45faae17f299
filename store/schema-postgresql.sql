-- Medora's tables on a PostgreSQL server: the tables and columns of schema.sql, in
-- PostgreSQL's types. `medora-admin init` runs it in an empty database, in one transaction.
-- Keys come from identity columns that only the server fills in, so a number is never given
-- twice. PostgreSQL folds the unquoted column names to lower case (ID becomes id); the
-- store's SQL, unquoted too, finds them either way. Dates are timestamps to the second.

CREATE TABLE patient_info (
    ID          integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    first_name  text NOT NULL DEFAULT '',
    last_name   text NOT NULL DEFAULT '',
    DOB         timestamp(0) NOT NULL,
    Gender      integer NOT NULL DEFAULT 0,
    address     text NOT NULL DEFAULT '',
    telephone   text NOT NULL DEFAULT ''
);

CREATE TABLE complaints (
    compl_ID        integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    patient_ID      integer NOT NULL,
    date            timestamp(0) NOT NULL,
    complaint       text NOT NULL DEFAULT '',
    temp            text NOT NULL DEFAULT '',
    bp              text NOT NULL DEFAULT '',
    RR              text NOT NULL DEFAULT '',
    pulse           text NOT NULL DEFAULT '',
    height          text NOT NULL DEFAULT '',
    weight          text NOT NULL DEFAULT '',
    eyes            text NOT NULL DEFAULT '',
    HEENT           text NOT NULL DEFAULT '',
    respiratory     text NOT NULL DEFAULT '',
    cardiovascular  text NOT NULL DEFAULT '',
    GIT             text NOT NULL DEFAULT '',
    genitourinary   text NOT NULL DEFAULT '',
    endocrine       text NOT NULL DEFAULT '',
    musculoskeletal text NOT NULL DEFAULT '',
    hema_lymph      text NOT NULL DEFAULT '',
    dermatology     text NOT NULL DEFAULT '',
    psycho_neuro    text NOT NULL DEFAULT '',
    other           text NOT NULL DEFAULT '',
    diagnosis       text NOT NULL DEFAULT '',
    treatment       text NOT NULL DEFAULT ''
);
-- The rows of one patient are found through a hash of the patient's number rather than a
-- tree of the numbers in order. The server remembers what a serializable transaction read by
-- index page: in a tree, the newest patients, on whom the desks work most, share its last page,
-- so a visit added for one and another patient's removal meet as if they touched the same
-- patient, and one of them is run again. A hash spreads them over many pages.
CREATE INDEX complaints_patient ON complaints USING hash (patient_ID);

CREATE TABLE history_entries (
    entry_ID      integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    patient_ID    integer NOT NULL,
    entry_type    text NOT NULL DEFAULT '',
    entry_details text NOT NULL DEFAULT ''
);
CREATE INDEX history_entries_patient ON history_entries USING hash (patient_ID);

CREATE TABLE patient_medications (
    medication_ID integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    patient_ID    integer NOT NULL,
    name          text NOT NULL DEFAULT '',
    status        text NOT NULL DEFAULT ''
);
CREATE INDEX patient_medications_patient ON patient_medications USING hash (patient_ID);

-- The name lists have no key of their own. SQLite keeps their rows in the order they were
-- added under its hidden rowid; here that column is a visible one of the same name, so that
-- the store asks for either with ORDER BY rowid.
CREATE TABLE meds_list (
    rowid bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    name  text NOT NULL
);
CREATE UNIQUE INDEX meds_list_name ON meds_list (name);

CREATE TABLE tests (
    test_ID    integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    patient_ID integer NOT NULL,
    date       timestamp(0) NOT NULL,
    type       text NOT NULL DEFAULT '',
    results    text NOT NULL DEFAULT ''
);
CREATE INDEX tests_patient ON tests USING hash (patient_ID);

CREATE TABLE tests_list (
    rowid bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    name  text NOT NULL
);
CREATE UNIQUE INDEX tests_list_name ON tests_list (name);

-- The postal code is text: a number would drop leading zeros and refuse letters.
CREATE TABLE clinic_info (
    info_ID            integer PRIMARY KEY,
    clinic_name        text NOT NULL DEFAULT '',
    doc_name           text NOT NULL DEFAULT '',
    doc_qualifications text NOT NULL DEFAULT '',
    phone              text NOT NULL DEFAULT '',
    street             text NOT NULL DEFAULT '',
    city               text NOT NULL DEFAULT '',
    province           text NOT NULL DEFAULT '',
    postal_code        text NOT NULL DEFAULT '',
    set_status         integer NOT NULL DEFAULT 0
);
INSERT INTO clinic_info (info_ID) VALUES (1);

-- The identity of these records, as in schema.sql: medora-admin init gives them their id, and
-- upgrade the records of an earlier version. A restore or an import
-- leaves it as it is, so that the records on the server keep their own.
CREATE TABLE records_identity (
    only_row integer PRIMARY KEY CHECK (only_row = 1),
    id       text NOT NULL CHECK (id ~ '^[0-9a-f]{32}$')
);

-- What the search looks patients up by, as in schema.sql. The words compare byte by byte
-- (COLLATE "C"), as on the file, so that a typed beginning is a range of the index within
-- each kind, and the index carries the names to order by, so that a search reads nothing
-- else until it has chosen the patients it shows.
CREATE TABLE search_words (
    word       text COLLATE "C" NOT NULL,
    kind       integer NOT NULL,
    patient_ID integer NOT NULL,
    sort_name  text COLLATE "C" NOT NULL,
    PRIMARY KEY (kind, word, patient_ID) INCLUDE (sort_name)
);
CREATE INDEX search_words_patient ON search_words USING hash (patient_ID);

-- Settings the whole clinic shares, as in schema.sql.
CREATE TABLE clinic_settings (
    only_row           integer PRIMARY KEY CHECK (only_row = 1),
    lock_after_minutes integer NOT NULL CHECK (lock_after_minutes BETWEEN 1 AND 120)
);

-- The record of every change and access, as in schema.sql. Only the owner's triggers and
-- functions write it (tools/audit-postgresql.sql); the desks may not change it. An entry's
-- hashes are made after it is committed, when the trail is next read (medora_audit_seal).
CREATE TABLE audit_trail (
    entry_id      integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    time_utc      text NOT NULL,
    time_local    text NOT NULL,
    user_name     text NOT NULL,
    desk          text NOT NULL,
    action        text NOT NULL,
    table_name    text NOT NULL,
    record_id     text NOT NULL,
    patient_id    integer,
    details       text NOT NULL,
    previous_hash text,
    hash          text
);
CREATE INDEX audit_trail_row ON audit_trail (patient_id, table_name, record_id);

-- The writers' turn: empty, locked first by every transaction of the desks that changes the
-- records, so that they take turns at the end of the audit trail.
CREATE TABLE medora_write_turn (
    only_row integer PRIMARY KEY CHECK (only_row = 1)
);

#include "tools/ServerSetup.h"

#include "records/RecordsRules.h"
#include "records/ServerLink.h"
#include "store/RecordsIdentity.h"
#include "store/SchemaSteps.h"
#include "store/SearchIndex.h"
#include "tools/ServerSchema.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>

namespace {

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

void ignoreNotice(void*, const char*) {}

// Rights to read and write rows and nothing else: no new tables, not even temporary ones, no
// changes to Medora's, no large objects (data outside the tables and their backups). Every
// desk's login is in one of three groups, each a member of medora_desk, which holds what any
// desk needs: reception finds and registers patients and reads the name lists and the
// clinic's details; a clinician also reads and writes the patients' care (visits, histories,
// medications, tests) and the name lists; an administrator, a clinician too, also keeps the
// clinic's details, restores the records and looks after the logins. Each table's rights are
// taken and given again, so that whatever an earlier version gave goes. Desks draw keys from
// the sequences but move them only through the function that moves them forward, as a
// restore does; they may call the functions that set the indexes aside while a restore loads
// the rows, in a transaction the server ends when it waits on its desk. A transaction of any
// session that waits on its desk for a minute is ended too, so that no desk holds the
// clinic's tables longer by leaving one open. Medora's tables live in whichever schema comes
// first on the administrator's search path. What is in effect already is left alone, so that
// setting up a second schema in a database never touches the database's own rights and
// settings.
const char* const kDeskRights = R"sql(
DO $$
DECLARE
    grp text;
BEGIN
    FOREACH grp IN ARRAY array['medora_desk', 'medora_clinician', 'medora_admin',
                               'medora_reception', 'medora_auditor'] LOOP
        IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = grp) THEN
            EXECUTE format('CREATE ROLE %I NOLOGIN', grp);
        END IF;
    END LOOP;
    IF NOT pg_has_role('medora_clinician', 'medora_desk', 'MEMBER') THEN
        GRANT medora_desk TO medora_clinician;
    END IF;
    IF NOT pg_has_role('medora_reception', 'medora_desk', 'MEMBER') THEN
        GRANT medora_desk TO medora_reception;
    END IF;
    IF NOT pg_has_role('medora_admin', 'medora_clinician', 'MEMBER') THEN
        GRANT medora_clinician TO medora_admin;
    END IF;
    EXECUTE format('REVOKE CREATE ON SCHEMA %I FROM PUBLIC', current_schema());
    EXECUTE format('GRANT USAGE ON SCHEMA %I TO medora_desk', current_schema());
    EXECUTE format('GRANT USAGE ON SCHEMA %I TO medora_auditor', current_schema());
    EXECUTE format('REVOKE ALL ON ALL TABLES IN SCHEMA %I FROM medora_desk, medora_admin,'
                   ' medora_clinician, medora_reception, medora_auditor', current_schema());
    -- Only the owner's triggers write the audit trail; auditors and administrators read it.
    REVOKE ALL ON audit_trail FROM PUBLIC;
    GRANT SELECT ON audit_trail TO medora_auditor, medora_admin;
    -- They make its hashes before they read it whole, for a check or a backup.
    GRANT EXECUTE ON FUNCTION medora_audit_seal() TO medora_auditor, medora_admin;
    GRANT INSERT ON medora_access TO medora_desk;
    -- What a lock in EXCLUSIVE mode takes; the table stays empty, for no desk may insert.
    GRANT UPDATE ON medora_write_turn TO medora_desk;
    GRANT SELECT, INSERT, UPDATE, DELETE ON patient_info, search_words TO medora_desk;
    GRANT SELECT ON meds_list, tests_list, clinic_info, clinic_settings, records_identity,
        medora_version, medora_password_change TO medora_desk;
    GRANT SELECT, INSERT, UPDATE, DELETE ON complaints, history_entries, patient_medications,
        tests, meds_list, tests_list TO medora_clinician;
    -- A restore replaces the clinic's rows as it replaces every other.
    GRANT INSERT, UPDATE, DELETE ON clinic_info, clinic_settings TO medora_admin;
    EXECUTE format('GRANT SELECT, USAGE ON ALL SEQUENCES IN SCHEMA %I TO medora_desk',
                   current_schema());
    EXECUTE format('REVOKE UPDATE ON ALL SEQUENCES IN SCHEMA %I FROM medora_desk',
                   current_schema());
    GRANT EXECUTE ON FUNCTION medora_set_indexes_aside(), medora_build_indexes(),
        medora_move_keys_forward(regclass, bigint), medora_users(),
        medora_change_own_password(text), medora_row_history(text, text, integer) TO medora_desk;
    GRANT EXECUTE ON FUNCTION medora_add_user(text, text, text, text, boolean),
        medora_set_user_role(text, text), medora_set_user_enabled(text, boolean),
        medora_reset_password(text, text) TO medora_admin;
    IF has_function_privilege('medora_desk', 'lo_creat(integer)', 'EXECUTE') THEN
        REVOKE EXECUTE ON FUNCTION lo_creat(integer), lo_create(oid), lo_import(text),
            lo_import(text, oid), lo_from_bytea(oid, bytea) FROM PUBLIC, medora_desk;
    END IF;
    IF has_database_privilege('medora_desk', current_database(), 'TEMPORARY') THEN
        EXECUTE format('REVOKE TEMPORARY ON DATABASE %I FROM PUBLIC', current_database());
    END IF;
    IF NOT has_database_privilege('medora_desk', current_database(), 'CONNECT') THEN
        EXECUTE format('GRANT CONNECT ON DATABASE %I TO medora_desk', current_database());
    END IF;
    IF NOT has_database_privilege('medora_auditor', current_database(), 'CONNECT') THEN
        EXECUTE format('GRANT CONNECT ON DATABASE %I TO medora_auditor', current_database());
    END IF;
    IF NOT EXISTS (SELECT FROM pg_db_role_setting s JOIN pg_database d ON d.oid = s.setdatabase,
                       unnest(s.setconfig) setting
                   WHERE d.datname = current_database() AND s.setrole = 0
                     AND setting LIKE 'idle_in_transaction_session_timeout=%') THEN
        EXECUTE format('ALTER DATABASE %I SET idle_in_transaction_session_timeout = %L',
                       current_database(), '1min');
    END IF;
END
$$)sql";

} // namespace

namespace {

const char* const kKeywords[] = {"connect_timeout", "application_name", "dbname",
                                 "client_encoding", nullptr};

// libpq's first line, which names the server and says what failed.
std::string firstLine(const char* message) {
    const std::string text = message != nullptr ? message : "";
    return text.substr(0, text.find('\n'));
}

} // namespace

ServerSetup::ServerSetup(const std::string& connection) : m_connection(connection) {
    const char* const values[] = {"10", "medora-admin", m_connection.c_str(), "UTF8", nullptr};
    m_conn = PQconnectdbParams(kKeywords, values, 1);
    if (m_conn != nullptr)
        PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
}

ServerSetup::~ServerSetup() {
    PQfinish(m_conn);
}

// A server that answers no ping is down or out of reach; one that answers but turned the
// connection away refused the login or the database.
std::string ServerSetup::unreachable() const {
    if (PQstatus(m_conn) == CONNECTION_OK)
        return {};
    const std::string said = firstLine(PQerrorMessage(m_conn));
    const char* const values[] = {"10", "medora-admin", m_connection.c_str(), "UTF8", nullptr};
    switch (PQpingParams(kKeywords, values, 1)) {
    case PQPING_NO_RESPONSE:
        return "the server is down or cannot be reached: is it running, and is "
               "MEDORA_DATABASE right? (" +
               said + ")";
    case PQPING_REJECT:
        return "the server is starting up or shutting down; try again in a moment (" + said + ")";
    default:
        return "the server turned the connection away (" + said + ")";
    }
}

bool ServerSetup::initialised() {
    return single("SELECT to_regclass('patient_info') IS NOT NULL") == "t";
}

bool ServerSetup::init() {
    if (PQstatus(m_conn) != CONNECTION_OK)
        return fail(PQerrorMessage(m_conn));
    if (!run("BEGIN"))
        return false;
    const std::string held =
        single("SELECT count(*) FROM pg_class WHERE relnamespace = current_schema()::regnamespace");
    if (held != "0") {
        run("ROLLBACK");
        return fail(held.empty() ? "cannot read the database's tables"
                                 : "the database already holds tables; Medora needs an empty one");
    }
    if (!run(kServerSchema) || !giveIdentity() || !run(kServerIndexesAside) ||
        !run(kServerLogins) || !run(kServerAudit) || !recordStep() || !run(kDeskRights) || !run("COMMIT")) {
        run("ROLLBACK");
        return false;
    }
    return true;
}

bool ServerSetup::check() {
    if (PQstatus(m_conn) != CONNECTION_OK)
        return fail(PQerrorMessage(m_conn));
    const std::string schema = single("SELECT current_schema()");
    if (schema.empty())
        return fail("the database has no schema to hold Medora's tables");
    // The reference is what init would make, made and compared inside a transaction that is
    // then undone.
    if (!run("BEGIN"))
        return false;
    const std::vector<std::string> found = layout(schema);
    const bool referenceMade =
        run("CREATE SCHEMA medora_reference") && run("SET LOCAL search_path = medora_reference") &&
        run(kServerSchema) && run(kServerIndexesAside) && run(kServerLogins) && run(kServerAudit) &&
        run(SchemaSteps::serverVersionSchema());
    const std::vector<std::string> wanted =
        referenceMade ? layout("medora_reference") : std::vector<std::string>{};
    run("ROLLBACK");
    if (!referenceMade)
        return false;
    const size_t before = m_problems.size();
    if (!checkStep())
        return false;
    compare("table layout", found, wanted);
    if (m_problems.size() > before)
        return false;
    if (single("SELECT count(*) FROM clinic_info") != "1")
        m_problems.push_back("clinic_info must hold exactly one row");
    if (single("SELECT count(*) FROM records_identity") != "1")
        m_problems.push_back("records_identity must hold the records' identity");
    const size_t beforeGroups = m_problems.size();
    checkGroups();
    if (m_problems.size() == beforeGroups)
        checkGroupRights();
    checkDeskLimits();
    return m_problems.size() == before;
}

namespace {

const char* const kGroups[] = {ServerSetup::deskRole, "medora_reception", "medora_clinician",
                               "medora_admin", "medora_auditor"};

constexpr const char* kNoRight = "";
constexpr const char* kReads = "SELECT";
constexpr const char* kWrites = "SELECT, INSERT, UPDATE, DELETE";

// What each group may do with each table, in the order of kGroups: a desk's login has what
// its group has and what medora_desk has. An auditor only reads the audit trail.
const struct {
    const char* table;
    const char* rights[5];
} kTableRights[] = {
    {"patient_info", {kWrites, kWrites, kWrites, kWrites, kNoRight}},
    {"search_words", {kWrites, kWrites, kWrites, kWrites, kNoRight}},
    {"complaints", {kNoRight, kNoRight, kWrites, kWrites, kNoRight}},
    {"history_entries", {kNoRight, kNoRight, kWrites, kWrites, kNoRight}},
    {"patient_medications", {kNoRight, kNoRight, kWrites, kWrites, kNoRight}},
    {"tests", {kNoRight, kNoRight, kWrites, kWrites, kNoRight}},
    {"meds_list", {kReads, kReads, kWrites, kWrites, kNoRight}},
    {"tests_list", {kReads, kReads, kWrites, kWrites, kNoRight}},
    {"clinic_info", {kReads, kReads, kReads, kWrites, kNoRight}},
    {"clinic_settings", {kReads, kReads, kReads, kWrites, kNoRight}},
    {"records_identity", {kReads, kReads, kReads, kReads, kNoRight}},
    {"medora_version", {kReads, kReads, kReads, kReads, kNoRight}},
    {"medora_password_change", {kReads, kReads, kReads, kReads, kNoRight}},
    {"medora_indexes_aside", {kNoRight, kNoRight, kNoRight, kNoRight, kNoRight}},
    {"audit_trail", {kNoRight, kNoRight, kNoRight, kReads, kReads}},
    {"medora_access", {"INSERT", "INSERT", "INSERT", "INSERT", kNoRight}},
    {"medora_write_turn", {"UPDATE", "UPDATE", "UPDATE", "UPDATE", kNoRight}},
};

// The functions through which an administrator looks after the logins.
const char* const kUserFunctions[] = {
    "medora_add_user(text, text, text, text, boolean)", "medora_set_user_role(text, text)",
    "medora_set_user_enabled(text, boolean)", "medora_reset_password(text, text)"};

std::string rightsWords(const std::string& rights) {
    return rights.empty() ? "no right" : rights;
}

} // namespace

// Medora's groups, each unable to sign in, reception's and the clinicians' members of
// medora_desk, and the administrators' of the clinicians'.
void ServerSetup::checkGroups() {
    for (const char* group : kGroups)
        if (single(std::string("SELECT NOT rolcanlogin FROM pg_roles WHERE rolname = '") + group +
                   "'") != "t")
            m_problems.push_back(std::string("the role ") + group +
                                 " is missing, or is a login (medora-admin upgrade makes it)");
    const struct {
        const char* member;
        const char* group;
    } memberships[] = {{"medora_reception", deskRole},
                       {"medora_clinician", deskRole},
                       {"medora_admin", "medora_clinician"}};
    for (const auto& held : memberships)
        if (single(std::string("SELECT pg_has_role('") + held.member + "', '" + held.group +
                   "', 'MEMBER')") != "t")
            m_problems.push_back(std::string("the role ") + held.member +
                                 " is not a member of " + held.group);
}

// Each group's rights on each table, exactly as Medora gives them.
void ServerSetup::checkGroupRights() {
    for (const auto& table : kTableRights)
        for (size_t group = 0; group < std::size(kGroups); ++group) {
            const std::vector<std::string> held =
                rows(std::string("SELECT coalesce(string_agg(needed, ', ' ORDER BY n), '') FROM"
                                 " unnest(array['SELECT', 'INSERT', 'UPDATE', 'DELETE',"
                                 " 'TRUNCATE', 'REFERENCES', 'TRIGGER']) WITH ORDINALITY"
                                 " AS rights(needed, n) WHERE has_table_privilege('") +
                     kGroups[group] + "', '" + table.table + "', needed)");
            if (held.size() != 1)
                return;
            if (held[0] != table.rights[group])
                m_problems.push_back(std::string("the role ") + kGroups[group] + " has " +
                                     rightsWords(held[0]) + " on " + table.table +
                                     " where Medora gives it " + rightsWords(table.rights[group]));
        }
}

// What the desks may not do, and the few ways they are given instead.
void ServerSetup::checkDeskLimits() {
    const struct {
        const char* query;
        const char* problem;
    } limits[] = {
        {"SELECT coalesce(bool_and(has_sequence_privilege('medora_desk', oid, 'USAGE') AND NOT"
         " has_sequence_privilege('medora_desk', oid, 'UPDATE')), true) FROM pg_class"
         " WHERE relkind = 'S' AND relnamespace = current_schema()::regnamespace",
         "the role medora_desk cannot draw keys, or can set the key sequences"},
        {"SELECT has_function_privilege('medora_desk', 'medora_move_keys_forward(regclass,"
         " bigint)', 'EXECUTE')",
         "the role medora_desk cannot move the key sequences forward on a restore"},
        {"SELECT NOT has_function_privilege('medora_desk', 'lo_creat(integer)', 'EXECUTE') AND"
         " NOT has_function_privilege('medora_desk', 'lo_create(oid)', 'EXECUTE') AND"
         " NOT has_function_privilege('medora_desk', 'lo_from_bytea(oid, bytea)', 'EXECUTE')",
         "the role medora_desk can create large objects"},
        {"SELECT has_function_privilege('medora_desk', 'medora_change_own_password(text)',"
         " 'EXECUTE') AND has_function_privilege('medora_desk', 'medora_users()', 'EXECUTE')",
         "the role medora_desk cannot list the users or change its own password"},
        {"SELECT bool_and(p.prosecdef AND EXISTS (SELECT FROM unnest(p.proconfig) setting"
         " WHERE setting = 'search_path=pg_catalog, ' || quote_ident(current_schema()) ||"
         " ', pg_temp')) FROM pg_proc p WHERE p.pronamespace = current_schema()::regnamespace"
         " AND p.proname IN ('medora_add_user', 'medora_set_user_role',"
         " 'medora_set_user_enabled', 'medora_reset_password', 'medora_change_own_password')",
         "the functions that look after the logins do not run as their owner on Medora's schema"},
        {"SELECT count(*) = 8 FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid"
         " JOIN pg_proc p ON p.oid = t.tgfoid WHERE c.relnamespace = current_schema()::regnamespace"
         " AND t.tgname = 'medora_audit' AND t.tgenabled = 'O' AND p.proname = 'medora_audit_change'"
         " AND p.pronamespace = current_schema()::regnamespace AND c.relname IN ('patient_info',"
         " 'complaints', 'history_entries', 'patient_medications', 'tests', 'meds_list',"
         " 'tests_list', 'clinic_info')",
         "a table of records has no trigger that keeps the audit trail, or it is disabled"},
        {"SELECT count(*) = 3 AND bool_and(p.prosecdef AND EXISTS (SELECT FROM"
         " unnest(p.proconfig) setting WHERE setting = 'search_path=pg_catalog, ' ||"
         " quote_ident(current_schema()) || ', pg_temp')) FROM pg_proc p WHERE p.oid IN"
         " ('medora_audit_change()'::regprocedure, 'medora_audit_access()'::regprocedure,"
         " 'medora_audit_seal()'::regprocedure)",
         "the functions that keep the audit trail do not run as their owner on Medora's schema"},
        {"SELECT p.prosecdef AND EXISTS (SELECT FROM unnest(p.proconfig) setting"
         " WHERE setting = 'search_path=pg_catalog, ' || quote_ident(current_schema()) ||"
         " ', pg_temp') AND has_function_privilege('medora_desk', p.oid, 'EXECUTE') AND NOT"
         " has_function_privilege('medora_auditor', p.oid, 'EXECUTE') FROM pg_proc p"
         " WHERE p.oid = 'medora_row_history(text, text, integer)'::regprocedure",
         "the function that reads a row's changes for the desks does not run as its owner on"
         " Medora's schema, or the desks cannot call it"},
        {"SELECT NOT has_table_privilege('public', 'audit_trail', 'INSERT, UPDATE, DELETE,"
         " TRUNCATE, REFERENCES, TRIGGER') AND NOT pg_has_role('medora_auditor', 'medora_desk',"
         " 'MEMBER')",
         "everyone may change the audit trail, or auditors are desks"},
    };
    for (const auto& limit : limits)
        if (single(limit.query) != "t")
            m_problems.push_back(limit.problem);
    for (const char* function : kUserFunctions) {
        const auto may = [&](const char* group) {
            return std::string("has_function_privilege('") + group + "', '" + function +
                   "', 'EXECUTE')";
        };
        const std::string query = "SELECT " + may("medora_admin") + " AND NOT " + may(deskRole) +
                                  " AND NOT " + may("medora_reception") + " AND NOT " +
                                  may("medora_clinician");
        if (single(query) != "t")
            m_problems.push_back(std::string("the role medora_admin cannot call ") + function +
                                 ", or another group can");
    }
}

// Logins of an earlier version were members of medora_desk alone, which could do everything:
// they become administrators, so that no one loses what they could do, until each is given
// its role.
bool ServerSetup::moveDeskLogins() {
    const Result moving(PQexec(m_conn, "SELECT r.rolname FROM pg_roles r"
                                       " JOIN pg_auth_members m ON m.member = r.oid"
                                       " JOIN pg_roles d ON d.oid = m.roleid"
                                       " WHERE d.rolname = 'medora_desk' AND r.rolcanlogin"
                                       " AND NOT EXISTS (SELECT FROM pg_auth_members g"
                                       " JOIN pg_roles gr ON gr.oid = g.roleid"
                                       " WHERE g.member = r.oid AND gr.rolname IN"
                                       " ('medora_admin', 'medora_clinician', 'medora_reception'))"
                                       " ORDER BY 1"),
                        PQclear);
    if (PQresultStatus(moving.get()) != PGRES_TUPLES_OK)
        return fail(PQerrorMessage(m_conn));
    const int moved = PQntuples(moving.get());
    for (int row = 0; row < moved; ++row) {
        const char* login = PQgetvalue(moving.get(), row, 0);
        char* quoted = PQescapeIdentifier(m_conn, login, std::strlen(login));
        if (quoted == nullptr)
            return fail(PQerrorMessage(m_conn));
        const std::string grant = std::string("GRANT medora_admin TO ") + quoted;
        PQfreemem(quoted);
        if (!run(grant))
            return false;
    }
    if (moved > 0)
        m_notes.push_back(std::to_string(moved) +
                          (moved == 1 ? " login that was a member of medora_desk alone is"
                                      : " logins that were members of medora_desk alone are") +
                          " now in the role administrator: give each the role it should have"
                          " with medora-admin users set-role NAME ROLE.");
    return true;
}

// Each step the records lack, then the desks' rights and what a restore sets aside as this
// version gives them, all in one transaction.
bool ServerSetup::upgrade() {
    m_notes.clear();
    if (PQstatus(m_conn) != CONNECTION_OK)
        return fail(PQerrorMessage(m_conn));
    if (!run("BEGIN"))
        return false;
    const int step = standing();
    bool done = step >= 0 && (step <= SchemaSteps::current() || fail(newer(step)));
    for (const SchemaStep* lacking : SchemaSteps::after(step))
        done = done && (lacking->server.empty() || run(lacking->server)) &&
               makeRows(lacking->rows);
    done = done && recordStep() && run(kServerIndexesAside) && run(kServerLogins) &&
           run(kServerAudit) && run(kDeskRights) && moveDeskLogins() && run("COMMIT");
    if (!done)
        run("ROLLBACK");
    return done;
}

bool ServerSetup::makeRows(StepRows rows) {
    switch (rows) {
    case StepRows::SearchKeys:
        return fillSearchKeys();
    case StepRows::Identity:
        return giveIdentity();
    case StepRows::None:
        break;
    }
    return true;
}

// Records set up before the version table stand at the step their tables tell; -1 when the
// server does not say.
int ServerSetup::standing() {
    if (stepRecorded()) {
        const std::string step =
            single("SELECT step FROM " + std::string(SchemaSteps::serverVersionTable) +
                   " WHERE only_row = 1");
        return step.empty() ? -1 : std::atoi(step.c_str());
    }
    int step = 0;
    for (const SchemaStep& made : SchemaSteps::all())
        for (const std::string& added : made.tables)
            if (single("SELECT to_regclass('" + added + "') IS NOT NULL") == "t")
                step = std::max(step, made.number);
    return step;
}

bool ServerSetup::stepRecorded() {
    return single("SELECT to_regclass('" + std::string(SchemaSteps::serverVersionTable) +
                  "') IS NOT NULL") == "t";
}

std::string ServerSetup::newer(int step) {
    return "the records stand at step " + std::to_string(step) +
           ", which a newer version of Medora made; this one knows the steps up to " +
           std::to_string(SchemaSteps::current());
}

// The records' step, made this version's.
bool ServerSetup::recordStep() {
    if (!run(SchemaSteps::serverVersionSchema()))
        return false;
    const std::string step = std::to_string(SchemaSteps::current());
    const char* const values[] = {step.c_str()};
    const Result recorded(
        PQexecParams(m_conn,
                     ("INSERT INTO " + std::string(SchemaSteps::serverVersionTable) +
                      " (only_row, step) VALUES (1, $1)"
                      " ON CONFLICT (only_row) DO UPDATE SET step = EXCLUDED.step")
                         .c_str(),
                     1, nullptr, values, nullptr, nullptr, 0),
        PQclear);
    return PQresultStatus(recorded.get()) == PGRES_COMMAND_OK || fail(PQerrorMessage(m_conn));
}

// The steps the records lack, each named.
bool ServerSetup::checkStep() {
    const int step = standing();
    if (step < 0)
        return fail("the step the records stand at cannot be read");
    if (step > SchemaSteps::current())
        return fail(newer(step));
    const size_t before = m_problems.size();
    if (!stepRecorded())
        m_problems.push_back(
            "the records do not say the step they stand at (medora-admin upgrade records it)");
    for (const SchemaStep* lacking : SchemaSteps::after(step))
        m_problems.push_back("missing step " + std::to_string(lacking->number) + ": " +
                             lacking->name + " (medora-admin upgrade makes it)");
    return m_problems.size() == before;
}

// Records that have an identity keep it.
bool ServerSetup::giveIdentity() {
    const std::string id = RecordsIdentity::makeId();
    if (id.empty())
        return fail("the system gave no random bits for the records' identity");
    const char* const values[] = {id.c_str()};
    const Result given(PQexecParams(m_conn,
                                    "INSERT INTO records_identity (only_row, id) SELECT 1, $1"
                                    " WHERE NOT EXISTS (SELECT 1 FROM records_identity)",
                                    1, nullptr, values, nullptr, nullptr, 0),
                       PQclear);
    return PQresultStatus(given.get()) == PGRES_COMMAND_OK || fail(PQerrorMessage(m_conn));
}

// Every patient's keys, made as the program makes them, copied in at once.
bool ServerSetup::fillSearchKeys() {
    const Result patients(PQexec(m_conn, "SELECT id, first_name, last_name,"
                                         " to_char(dob, 'YYYY-MM-DD HH24:MI:SS'), telephone"
                                         " FROM patient_info"),
                          PQclear);
    if (!run("DELETE FROM search_words") || PQresultStatus(patients.get()) != PGRES_TUPLES_OK)
        return fail(PQerrorMessage(m_conn));
    std::string rows;
    for (int row = 0; row < PQntuples(patients.get()); ++row) {
        const auto value = [&](int column) { return PQgetvalue(patients.get(), row, column); };
        DateTime dob(std::nan(""));
        DateTime::fromIso(value(3), dob);
        const SearchIndex::PatientKeys made =
            SearchIndex::keysOf(std::atoll(value(0)), value(1), value(2), dob, value(4));
        ServerLink::appendSearchKeys(rows, made);
    }
    const Result copying(
        PQexec(m_conn, "COPY search_words (word, kind, patient_ID, sort_name) FROM STDIN"),
        PQclear);
    if (PQresultStatus(copying.get()) != PGRES_COPY_IN ||
        PQputCopyData(m_conn, rows.data(), int(rows.size())) != 1 ||
        PQputCopyEnd(m_conn, nullptr) != 1)
        return fail(PQerrorMessage(m_conn));
    const Result copied(PQgetResult(m_conn), PQclear);
    const bool done = PQresultStatus(copied.get()) == PGRES_COMMAND_OK;
    while (Result(PQgetResult(m_conn), PQclear)) {
    }
    return done || fail(PQerrorMessage(m_conn));
}

bool ServerSetup::run(const std::string& sql) {
    const Result result(PQexec(m_conn, sql.c_str()), PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return true;
    return fail(PQerrorMessage(m_conn));
}

std::vector<std::string> ServerSetup::rows(const std::string& sql) {
    const Result result(PQexec(m_conn, sql.c_str()), PQclear);
    std::vector<std::string> values;
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
        fail(PQerrorMessage(m_conn));
        return values;
    }
    for (int row = 0; row < PQntuples(result.get()); ++row)
        values.emplace_back(PQgetvalue(result.get(), row, 0));
    return values;
}

std::string ServerSetup::single(const std::string& sql) {
    const std::vector<std::string> values = rows(sql);
    return values.size() == 1 ? values[0] : std::string();
}

// Each column with its type, and each index, of a schema, one line each; the schema's name
// is left out so that two schemas compare.
std::vector<std::string> ServerSetup::layout(const std::string& schema) {
    char* quoted = PQescapeLiteral(m_conn, schema.c_str(), schema.size());
    if (quoted == nullptr) {
        fail(PQerrorMessage(m_conn));
        return {};
    }
    const std::string name = quoted;
    PQfreemem(quoted);
    return rows("SELECT table_name || '.' || column_name || ' ' || data_type || ' nullable ' ||"
                " is_nullable || ' identity ' || is_identity || ' default ' ||"
                " coalesce(column_default, '-')"
                " FROM information_schema.columns WHERE table_schema = " +
                name +
                " UNION ALL SELECT 'index ' || replace(indexdef, schemaname || '.', '')"
                " FROM pg_indexes WHERE schemaname = " +
                name + " ORDER BY 1");
}

void ServerSetup::compare(const std::string& what, const std::vector<std::string>& found,
                          const std::vector<std::string>& wanted) {
    for (const std::string& line : wanted)
        if (std::find(found.begin(), found.end(), line) == found.end())
            m_problems.push_back(what + ": missing " + line);
    for (const std::string& line : found)
        if (std::find(wanted.begin(), wanted.end(), line) == wanted.end())
            m_problems.push_back(what + ": not Medora's " + line);
}

bool ServerSetup::fail(const std::string& problem) {
    std::string line = problem;
    while (!line.empty() && line.back() == '\n')
        line.pop_back();
    m_problems.push_back(line);
    return false;
}

// Against the narrower range of the two engines: every key of the records goes into a backup,
// which the file must hold too.
bool ServerSetup::numbersLeft() {
    if (PQstatus(m_conn) != CONNECTION_OK)
        return fail(PQerrorMessage(m_conn));
    const std::string last = std::to_string(RecordsRules::kLastNumber);
    const std::string nearEnd = std::to_string(RecordsRules::kLastNumber / 100 * 99);
    const size_t before = m_problems.size();
    const std::vector<std::string> spent =
        rows("SELECT 'the key sequence ' || sequencename || ' has given ' || last_value || ' of"
             " the " +
             last +
             " numbers a key can hold' FROM pg_sequences WHERE schemaname ="
             " current_schema() AND last_value >= " +
             nearEnd + " ORDER BY sequencename");
    m_problems.insert(m_problems.end(), spent.begin(), spent.end());
    return m_problems.size() == before;
}

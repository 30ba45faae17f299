#include "RecordsHolder.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <stdexcept>
#include <string>

std::unique_ptr<RecordsHolder> RecordsHolder::onFile(const char* sql)
{
    std::unique_ptr<RecordsHolder> holder(new RecordsHolder);
    if (sqlite3_open("clinic_db.mdb", &holder->m_file) != SQLITE_OK)
        throw std::runtime_error("cannot open the records file");
    // The store asking for the file between its tries holds a shared lock for a moment; the
    // holder's commit waits that moment out, as any program with a busy timeout would.
    sqlite3_busy_timeout(holder->m_file, 5000);
    holder->holdAgain(sql);
    return holder;
}

namespace {

// The server's warnings when it shuts down under the holder are expected.
void ignoreNotice(void*, const char*) {}

bool lostTheRace(const PGresult* result)
{
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    return state != nullptr && (std::string(state) == "40001" || std::string(state) == "40P01");
}

} // namespace

const std::string RecordsHolder::everyTableLocked =
    "LOCK TABLE patient_info, complaints, history_entries, patient_medications, meds_list,"
    " tests, tests_list, clinic_info IN ACCESS EXCLUSIVE MODE";

std::unique_ptr<RecordsHolder> RecordsHolder::onServer(const std::string& connection,
                                                       const std::string& sql)
{
    std::unique_ptr<RecordsHolder> holder(new RecordsHolder);
    holder->m_server = PQconnectdb(connection.c_str());
    PQsetNoticeProcessor(holder->m_server, ignoreNotice, nullptr);
    holder->holdAgain(sql);
    return holder;
}

void RecordsHolder::holdAgain(const std::string& sql)
{
    letGo();
    if (m_file != nullptr) {
        if (sqlite3_exec(m_file, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(m_file, sql.c_str(), -1, &m_statement, nullptr) != SQLITE_OK ||
            sqlite3_step(m_statement) == SQLITE_ERROR)
            throw std::runtime_error("cannot hold the records file");
        return;
    }
    // Like any desk, the holder runs its change again when it loses a race for the same rows.
    for (int tries = 0; tries < 50 && !m_holdingTables; ++tries) {
        PGresult* result =
            PQexec(m_server, ("BEGIN ISOLATION LEVEL SERIALIZABLE; " + sql).c_str());
        m_holdingTables = PQresultStatus(result) == PGRES_COMMAND_OK;
        const bool lostARace = !m_holdingTables && lostTheRace(result);
        PQclear(result);
        if (!m_holdingTables) {
            PQclear(PQexec(m_server, "ROLLBACK"));
            if (!lostARace)
                break;
        }
    }
    if (!m_holdingTables)
        throw std::runtime_error("cannot hold the server's tables");
}

RecordsHolder::~RecordsHolder()
{
    letGo();
    sqlite3_close(m_file);
    PQfinish(m_server);
}

void RecordsHolder::letGo()
{
    if (m_statement != nullptr) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        sqlite3_exec(m_file, "COMMIT", nullptr, nullptr, nullptr);
    }
    if (m_holdingTables) {
        m_holdingTables = false;
        PQclear(PQexec(m_server, "COMMIT"));
    }
}

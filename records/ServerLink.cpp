#include "records/ServerLink.h"

#include <libpq-fe.h>

namespace {

void ignoreNotice(void*, const char*) {}

std::string trimmed(std::string message) {
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message;
}

char unescaped(char c) {
    switch (c) {
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'v':
        return '\v';
    default:
        return c;
    }
}

} // namespace

// The text encoding, which the copies rely on, comes after the clinic's connection string;
// dates then come as ISO text, and nothing the server's settings say cuts the work short.
ServerLink::ServerLink(const std::string& connection, const std::string& password) {
    std::vector<const char*> keywords{"connect_timeout", "application_name", "dbname",
                                      "client_encoding"};
    std::vector<const char*> values{"10", "Medora", connection.c_str(), "UTF8"};
    if (!password.empty()) {
        keywords.push_back("password");
        values.push_back(password.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    m_conn = PQconnectdbParams(keywords.data(), values.data(), 1);
    if (m_conn == nullptr)
        throw ServerError("out of memory", "");
    PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const std::string message = trimmed(PQerrorMessage(m_conn));
        PQfinish(m_conn);
        throw ServerError(message, "08001");
    }
    run("SET DateStyle = ISO, YMD; SET statement_timeout = 0; SET "
        "idle_in_transaction_session_timeout = 0");
}

ServerLink::~ServerLink() {
    PQfinish(m_conn);
}

ServerLink::Result ServerLink::run(const std::string& sql, const std::vector<std::string>& values) {
    std::vector<const char*> texts;
    for (const std::string& value : values)
        texts.push_back(value.c_str());
    Result result(values.empty() ? PQexec(m_conn, sql.c_str())
                                 : PQexecParams(m_conn, sql.c_str(), int(texts.size()), nullptr,
                                                texts.data(), nullptr, nullptr, 0),
                  PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result.get());
    return result;
}

std::string ServerLink::single(const std::string& sql, const std::vector<std::string>& values) {
    const Result result = run(sql, values);
    if (PQntuples(result.get()) == 0 || PQgetisnull(result.get(), 0, 0))
        return {};
    return PQgetvalue(result.get(), 0, 0);
}

void ServerLink::copyOut(const std::string& sql,
                         const std::function<void(const char*, size_t)>& row) {
    const Result started(PQexec(m_conn, sql.c_str()), PQclear);
    if (PQresultStatus(started.get()) != PGRES_COPY_OUT)
        fail(started.get());
    for (;;) {
        char* data = nullptr;
        const int size = PQgetCopyData(m_conn, &data, 0);
        if (size < 0)
            break;
        const std::unique_ptr<char, void (*)(void*)> held(data, PQfreemem);
        row(data, size > 0 && data[size - 1] == '\n' ? size_t(size) - 1 : size_t(size));
    }
    check(Result(PQgetResult(m_conn), PQclear));
}

void ServerLink::startCopyIn(const std::string& sql) {
    const Result started(PQexec(m_conn, sql.c_str()), PQclear);
    if (PQresultStatus(started.get()) != PGRES_COPY_IN)
        fail(started.get());
}

void ServerLink::send(const std::string& rows) {
    if (!rows.empty() && PQputCopyData(m_conn, rows.data(), int(rows.size())) != 1)
        throw ServerError(trimmed(PQerrorMessage(m_conn)), "");
}

void ServerLink::endCopy() {
    if (PQputCopyEnd(m_conn, nullptr) != 1)
        throw ServerError(trimmed(PQerrorMessage(m_conn)), "");
    check(Result(PQgetResult(m_conn), PQclear));
}

void ServerLink::rollback() noexcept {
    // A copy still running is ended first, or the server would take ROLLBACK as its data.
    if (PQtransactionStatus(m_conn) == PQTRANS_ACTIVE)
        PQputCopyEnd(m_conn, "stopped");
    while (PGresult* left = PQgetResult(m_conn)) {
        const ExecStatusType status = PQresultStatus(left);
        PQclear(left);
        if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT)
            return;
    }
    PQclear(PQexec(m_conn, "ROLLBACK"));
}

// The text goes in runs between the few characters that COPY escapes.
void ServerLink::appendSearchKeys(std::string& rows, const SearchIndex::PatientKeys& keys) {
    for (const auto& [word, kind] : keys.keys) {
        appendCopyText(rows, word.data(), word.size());
        rows += '\t' + std::to_string(int(kind)) + '\t' + std::to_string(keys.patientId) + '\t';
        appendCopyText(rows, keys.sortName.data(), keys.sortName.size());
        rows += '\n';
    }
}

void ServerLink::appendCopyText(std::string& line, const char* text, size_t size) {
    const char* end = text + size;
    for (const char* run = text; run < end;) {
        const char* special = run;
        while (special < end && *special != '\\' && *special != '\t' && *special != '\n' &&
               *special != '\r')
            ++special;
        line.append(run, special);
        if (special == end)
            break;
        line += '\\';
        line += *special == '\t' ? 't' : *special == '\n' ? 'n' : *special == '\r' ? 'r' : '\\';
        run = special + 1;
    }
}

void ServerLink::splitCopyRow(const char* row, size_t size, std::vector<std::string>& fields,
                              std::vector<bool>& nulls) {
    fields.assign(1, {});
    nulls.assign(1, false);
    for (size_t i = 0; i < size; ++i) {
        if (row[i] == '\t') {
            fields.emplace_back();
            nulls.push_back(false);
        } else if (row[i] != '\\' || i + 1 == size) {
            fields.back() += row[i];
        } else if (row[++i] == 'N') {
            nulls.back() = true;
        } else {
            // The server writes other bytes as they are; octal and hex escapes it never writes.
            fields.back() += unescaped(row[i]);
        }
    }
}

void ServerLink::fail(const pg_result* result) {
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char* message = result ? PQresultErrorMessage(result) : nullptr;
    throw ServerError(trimmed(message && *message ? message : PQerrorMessage(m_conn)),
                      state ? state : "");
}

void ServerLink::check(Result result) {
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result.get());
    while (PGresult* left = PQgetResult(m_conn))
        PQclear(left);
}

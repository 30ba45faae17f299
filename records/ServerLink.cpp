#include "records/ServerLink.h"

#include "store/Deadline.h"

#include <libpq-fe.h>
#include <poll.h>

#include <cerrno>
#include <thread>

namespace {

// How long a wait may go on with nothing from the server: long enough for the longest
// statement of a restore on large records, an index built or a lock waited for.
constexpr int kSilenceSeconds = 180;
// How long the server lets a restore's transaction wait on its desk before it undoes it.
constexpr int kIdleSeconds = 10;
constexpr int kConnectSeconds = 10;
// How often a wait asks whether to stop.
constexpr int kAskMs = 100;

void ignoreNotice(void*, const char*) {}

bool isError(const pg_result* result) {
    const ExecStatusType status = PQresultStatus(result);
    return status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_COPY_OUT;
}

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

ServerLink::Bounds& chosenBounds() {
    static ServerLink::Bounds chosen{};
    return chosen;
}

} // namespace

ServerLink::Bounds ServerLink::bounds() {
    using std::chrono::seconds;
    const Bounds& chosen = chosenBounds();
    return {chosen.silence.count() > 0 ? chosen.silence : seconds(kSilenceSeconds),
            chosen.idle.count() > 0 ? chosen.idle : seconds(kIdleSeconds)};
}

void ServerLink::setBounds(Bounds chosen) {
    chosenBounds() = chosen;
}

ServerLink::ServerLink(const std::string& connection, const std::string& password, Stop stop)
    : m_stop(std::move(stop)) {
    try {
        connect(connection, password);
    } catch (...) {
        PQfinish(m_conn);
        throw;
    }
}

ServerLink::~ServerLink() {
    PQfinish(m_conn);
}

// The text encoding, which the copies rely on, comes after the clinic's connection string.
// The keepalives let the system notice a link that has gone dead. Dates then come as ISO
// text, and no statement is cut short by the server's settings.
void ServerLink::connect(const std::string& connection, const std::string& password) {
    std::vector<const char*> keywords{"keepalives",       "keepalives_idle",  "keepalives_interval",
                                      "keepalives_count", "application_name", "dbname",
                                      "client_encoding"};
    std::vector<const char*> values{"1", "10", "5", "3", "Medora", connection.c_str(), "UTF8"};
    if (!password.empty()) {
        keywords.push_back("password");
        values.push_back(password.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    m_conn = PQconnectStartParams(keywords.data(), values.data(), 1);
    if (m_conn == nullptr)
        throw ServerError("out of memory", "");
    PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
    const auto bound = std::min<std::chrono::milliseconds>(bounds().silence,
                                                           std::chrono::seconds(kConnectSeconds));
    for (PostgresPollingStatusType state = PGRES_POLLING_WRITING; state != PGRES_POLLING_OK;
         state = PQconnectPoll(m_conn)) {
        if (PQstatus(m_conn) == CONNECTION_BAD || state == PGRES_POLLING_FAILED)
            throw ServerError(trimmed(PQerrorMessage(m_conn)), "08001");
        waitFor(state == PGRES_POLLING_READING ? POLLIN : POLLOUT, bound);
    }
    if (PQsetnonblocking(m_conn, 1) != 0)
        lose();
    run("SET DateStyle = ISO, YMD; SET statement_timeout = 0");
}

ServerLink::Result ServerLink::run(const std::string& sql, const std::vector<std::string>& values) {
    std::vector<const char*> texts;
    for (const std::string& value : values)
        texts.push_back(value.c_str());
    if (m_lost ||
        (values.empty() ? PQsendQuery(m_conn, sql.c_str())
                        : PQsendQueryParams(m_conn, sql.c_str(), int(texts.size()), nullptr,
                                            texts.data(), nullptr, nullptr, 0)) == 0)
        lose();
    flush();
    return results();
}

std::string ServerLink::single(const std::string& sql, const std::vector<std::string>& values) {
    const Result result = run(sql, values);
    if (PQntuples(result.get()) == 0 || PQgetisnull(result.get(), 0, 0))
        return {};
    return PQgetvalue(result.get(), 0, 0);
}

std::string ServerLink::prepare(const std::string& sql) {
    const std::string name = "medora_" + std::to_string(++m_prepared);
    if (m_lost || PQsendPrepare(m_conn, name.c_str(), sql.c_str(), 0, nullptr) == 0)
        lose();
    flush();
    results();
    return name;
}

std::vector<std::vector<std::string>> ServerLink::rows(const std::string& sql,
                                                       const std::vector<std::string>& values) {
    const Result result = run(sql, values);
    std::vector<std::vector<std::string>> rows(size_t(PQntuples(result.get())));
    for (size_t row = 0; row < rows.size(); ++row)
        for (int column = 0; column < PQnfields(result.get()); ++column)
            rows[row].emplace_back(PQgetvalue(result.get(), int(row), column));
    return rows;
}

void ServerLink::sendPrepared(const std::string& name, const std::vector<std::string>& values,
                              const std::vector<int>& formats) {
    std::vector<const char*> data;
    std::vector<int> lengths;
    for (const std::string& value : values) {
        data.push_back(value.c_str());
        lengths.push_back(int(value.size()));
    }
    if (m_lost ||
        PQsendQueryPrepared(m_conn, name.c_str(), int(data.size()), data.data(), lengths.data(),
                            formats.empty() ? nullptr : formats.data(), 0) == 0)
        lose();
    // In a pipeline each run ends with a mark of its own, after which the server sends its
    // answer and, waiting for the next, is bound by its limit on a desk that leaves a
    // transaction waiting.
    if (PQpipelineStatus(m_conn) != PQ_PIPELINE_OFF) {
        if (PQpipelineSync(m_conn) == 0)
            lose();
        ++m_marksAhead;
    }
    flush();
}

void ServerLink::beginPipeline() {
    if (m_lost || PQenterPipelineMode(m_conn) == 0)
        lose();
}

void ServerLink::takeOutcome() {
    results();
    passMark();
}

void ServerLink::endPipeline() {
    while (m_marksAhead > 0)
        passMark();
    if (PQexitPipelineMode(m_conn) == 0)
        lose();
}

// After a failure the server skips the rest of the run and fails every run after it, its
// transaction failed; the link takes their outcomes and leaves the pipeline, for the caller
// to roll back.
void ServerLink::abandonPipeline() noexcept {
    if (m_lost || PQpipelineStatus(m_conn) == PQ_PIPELINE_OFF)
        return;
    try {
        endPipeline();
    } catch (...) {
        m_lost = true;
    }
}

// Takes what comes up to the server's next mark.
void ServerLink::passMark() {
    for (;;) {
        while (PQisBusy(m_conn) != 0) {
            waitFor(POLLIN, bounds().silence);
            if (PQconsumeInput(m_conn) == 0)
                lose();
        }
        const Result next(PQgetResult(m_conn), PQclear);
        if (next && PQresultStatus(next.get()) == PGRES_PIPELINE_SYNC) {
            --m_marksAhead;
            return;
        }
    }
}

void ServerLink::copyOut(const std::string& sql,
                         const std::function<void(const char*, size_t)>& row) {
    if (m_lost || PQsendQuery(m_conn, sql.c_str()) == 0)
        lose();
    flush();
    if (PQresultStatus(results().get()) != PGRES_COPY_OUT)
        throw ServerError("the server sent no rows to copy", "");
    // Nothing else uses the link while the rows come: a row that cannot be taken leaves the
    // copy unfinished, and the link with it.
    m_lost = true;
    for (;;) {
        char* data = nullptr;
        const int size = PQgetCopyData(m_conn, &data, 1);
        if (size == 0) {
            waitFor(POLLIN, bounds().silence);
            if (PQconsumeInput(m_conn) == 0)
                lose();
            continue;
        }
        if (size < 0)
            break;
        const std::unique_ptr<char, void (*)(void*)> held(data, PQfreemem);
        row(data, data[size - 1] == '\n' ? size_t(size) - 1 : size_t(size));
    }
    m_lost = false;
    results();
}

// A transaction the link cannot end is undone by the server when the link closes.
void ServerLink::rollback() noexcept {
    if (m_lost || PQtransactionStatus(m_conn) == PQTRANS_IDLE)
        return;
    try {
        run("ROLLBACK");
    } catch (...) {
        m_lost = true;
    }
}

// Sends what libpq holds, taking in what comes back meanwhile so that the server, which may
// be sending too, never waits on this desk.
void ServerLink::flush() {
    for (;;) {
        const int unsent = PQflush(m_conn);
        if (unsent == 0)
            return;
        if (unsent < 0)
            lose();
        if ((waitFor(POLLIN | POLLOUT, bounds().silence) & POLLIN) != 0 &&
            PQconsumeInput(m_conn) == 0)
            lose();
    }
}

// Every result of the statement, up to libpq's end mark; the first error among them, or else
// the last result, is the statement's. A copy's start ends the results, leaving the copy to
// its reader.
ServerLink::Result ServerLink::results() {
    Result kept(nullptr, PQclear);
    for (;;) {
        while (PQisBusy(m_conn) != 0) {
            waitFor(POLLIN, bounds().silence);
            if (PQconsumeInput(m_conn) == 0)
                lose();
        }
        Result next(PQgetResult(m_conn), PQclear);
        if (!next)
            break;
        const bool copying = PQresultStatus(next.get()) == PGRES_COPY_OUT;
        if (!kept || !isError(kept.get()))
            kept = std::move(next);
        if (copying)
            break;
    }
    if (!kept)
        lose();
    if (isError(kept.get()))
        fail(kept.get());
    return kept;
}

// Waits until the link is ready for `events`, asking `stop` now and then; `bound` is how long
// the server may leave it waiting.
short ServerLink::waitFor(short events, std::chrono::milliseconds bound) {
    const Deadline silence(bound);
    pollfd link{PQsocket(m_conn), events, 0};
    if (link.fd < 0)
        lose();
    for (;;) {
        if (m_stop && m_stop())
            giveUp(true);
        if (silence.passed())
            giveUp(false);
        const int ready = poll(&link, 1, std::min(kAskMs, silence.remainingMs()));
        if (ready > 0)
            return link.revents;
        if (ready < 0 && errno != EINTR)
            lose();
    }
}

// The server is asked to cancel what it runs, from a thread of its own: over a dead link the
// request could wait minutes for its connection, and the desk does not. The link is not used
// again; closing it undoes its transaction.
void ServerLink::giveUp(bool stopped) {
    m_lost = true;
    if (PGcancel* cancel = PQgetCancel(m_conn)) {
        std::thread([cancel] {
            char error[256];
            PQcancel(cancel, error, sizeof error);
            PQfreeCancel(cancel);
        }).detach();
    }
    if (stopped)
        throw ServerStopped();
    const long long seconds = std::chrono::ceil<std::chrono::seconds>(bounds().silence).count();
    throw ServerError("the server did not answer for " + std::to_string(seconds) +
                          " seconds, so the work was stopped",
                      "");
}

void ServerLink::lose() {
    m_lost = true;
    throw ServerError(trimmed(PQerrorMessage(m_conn)), "");
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
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const char* message = PQresultErrorMessage(result);
    if (PQstatus(m_conn) != CONNECTION_OK)
        m_lost = true;
    throw ServerError(trimmed(message && *message ? message : PQerrorMessage(m_conn)),
                      state ? state : "");
}

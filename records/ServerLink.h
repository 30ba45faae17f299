#pragma once

#include "store/SearchIndex.h"

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

// A failure the server reported, with its SQLSTATE when it gave one.
class ServerError : public std::runtime_error {
public:
    ServerError(const std::string& what, std::string state)
        : std::runtime_error(what), m_state(std::move(state)) {}
    // A deadlock, a serialization failure or a lock that was not granted in time: the same
    // work goes through when tried again.
    bool worthRetrying() const {
        return m_state == "40P01" || m_state == "40001" || m_state == "55P03";
    }

private:
    std::string m_state;
};

// The user stopped the work, or the program did, while it waited for the server.
class ServerStopped : public std::runtime_error {
public:
    ServerStopped() : std::runtime_error("stopped") {}
};

// A connection to the records server for whole-database work, which takes as long as the
// records are large: no deadline ends the work as a whole. Every wait for the server is
// bounded all the same: it ends when the server has sent nothing for bounds().silence, or
// when `stop` says so, and the server is then asked to cancel what it runs. bounds().idle is
// how long the server lets a restore's transaction wait on its desk, as a desk that stalled
// would, before it ends the session and undoes the transaction. Every failure throws
// ServerError; a stop throws ServerStopped.
class ServerLink {
public:
    using Result = std::unique_ptr<pg_result, void (*)(pg_result*)>;
    // Asked now and then while the link waits; true stops the wait.
    using Stop = std::function<bool()>;
    struct Bounds {
        std::chrono::milliseconds silence;
        std::chrono::milliseconds idle;
    };

    // The program's own bounds, unless a test set shorter ones; zero bounds put them back.
    static Bounds bounds();
    static void setBounds(Bounds chosen);

    // `connection` is a libpq connection string; a password, when given, overrides any in it.
    ServerLink(const std::string& connection, const std::string& password, Stop stop = {});
    ~ServerLink();
    ServerLink(const ServerLink&) = delete;
    ServerLink& operator=(const ServerLink&) = delete;

    // Runs one statement with its parameters given as text.
    Result run(const std::string& sql, const std::vector<std::string>& values = {});
    // The first column of the first row, or empty when there is none or it is NULL.
    std::string single(const std::string& sql, const std::vector<std::string>& values = {});
    // Prepares a statement to run as often as needed in a pipeline; gives its name.
    std::string prepare(const std::string& sql);
    // A prepared statement run many times in a row: each run is sent without waiting for the
    // last to finish, so the server takes up the next as soon as it is done. Between
    // beginPipeline() and endPipeline() nothing else runs on the link; after a failure,
    // abandonPipeline() makes it ready for a rollback.
    void beginPipeline();
    // Sends a run of a prepared statement, its parameters in the forms given: 0 text, 1 binary.
    void sendPrepared(const std::string& name, const std::vector<std::string>& values,
                      const std::vector<int>& formats);
    // Waits for the oldest run sent whose outcome is not yet taken; throws its failure.
    void takeOutcome();
    void endPipeline();
    void abandonPipeline() noexcept;
    // Every row of the result, each value as text (empty when NULL).
    std::vector<std::vector<std::string>> rows(const std::string& sql,
                                               const std::vector<std::string>& values = {});
    // Runs COPY ... TO STDOUT, handing each row, in COPY's text form and without its line end,
    // to `row`.
    void copyOut(const std::string& sql, const std::function<void(const char*, size_t)>& row);
    // Ends whatever transaction is open, undoing it; never throws.
    void rollback() noexcept;

    // COPY's text form of a text value, appended to `line`.
    // One line of COPY's text form for each of a patient's search keys, in search_words'
    // column order: word, kind, patient_ID, sort_name.
    static void appendSearchKeys(std::string& rows, const SearchIndex::PatientKeys& keys);
    static void appendCopyText(std::string& line, const char* text, size_t size);
    // The fields of one row in COPY's text form, and which of them are NULL.
    static void splitCopyRow(const char* row, size_t size, std::vector<std::string>& fields,
                             std::vector<bool>& nulls);

private:
    void connect(const std::string& connection, const std::string& password);
    void flush();
    Result results();
    void passMark();
    short waitFor(short events, std::chrono::milliseconds bound);
    [[noreturn]] void giveUp(bool stopped);
    [[noreturn]] void lose();
    [[noreturn]] void fail(const pg_result* result);

    pg_conn* m_conn = nullptr;
    Stop m_stop;
    bool m_lost = false;
    int m_prepared = 0;
    int m_marksAhead = 0; // of a pipeline, whose outcomes are yet to be taken
};

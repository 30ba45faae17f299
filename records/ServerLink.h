#pragma once

#include "store/SearchIndex.h"

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

// A connection to the records server for whole-database work, which takes as long as the
// records are large: unlike the store's operations, no deadline ends it. Every failure throws
// ServerError.
class ServerLink {
public:
    using Result = std::unique_ptr<pg_result, void (*)(pg_result*)>;

    // `connection` is a libpq connection string; a password, when given, overrides any in it.
    ServerLink(const std::string& connection, const std::string& password);
    ~ServerLink();
    ServerLink(const ServerLink&) = delete;
    ServerLink& operator=(const ServerLink&) = delete;

    // Runs one statement with its parameters given as text.
    Result run(const std::string& sql, const std::vector<std::string>& values = {});
    // The first column of the first row, or empty when there is none or it is NULL.
    std::string single(const std::string& sql, const std::vector<std::string>& values = {});
    // Runs COPY ... TO STDOUT, handing each row, in COPY's text form and without its line end,
    // to `row`.
    void copyOut(const std::string& sql, const std::function<void(const char*, size_t)>& row);
    // Runs COPY ... FROM STDIN: rows (in COPY's text form, each ending in a line end) go in
    // through send() and the copy ends with endCopy().
    void startCopyIn(const std::string& sql);
    void send(const std::string& rows);
    void endCopy();
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
    [[noreturn]] void fail(const pg_result* result);
    void check(Result result);

    pg_conn* m_conn;
};

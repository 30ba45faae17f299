#pragma once

#include <string>

// What the PostgreSQL engine says differently from the SQL the data classes write once for
// both engines, all in one place. (Rows come back in stored order because the data classes
// ask for it with ORDER BY the key; PostgreSQL's own row order changes as rows are updated.)
class PostgresDialect
{
public:
    // Every operation that changes the records is one serializable transaction: operations that run
    // at the same time at several desks then have the effect of running one after another, as on
    // the file, whose exclusive lock makes them do so. A weaker level would let a visit be added
    // for a patient that a delete running beside it removes, leaving the visit behind.
    //
    // Its first statement takes the writers' turn, before the transaction takes its view of the
    // records: the desks' changes then wait for one another to end, rather than all but one
    // failing where they meet at the end of the audit trail, and running again.
    static constexpr const char* begin =
        "BEGIN ISOLATION LEVEL SERIALIZABLE; LOCK TABLE medora_write_turn IN EXCLUSIVE MODE";
    // An operation that only reads sees the records as they stood at one moment, which is all a
    // reading needs. Left out of the serializable ones, it neither waits for them nor makes a
    // desk's change run again because of what it read.
    static constexpr const char* beginReading = "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY";
    static constexpr const char* commit = "COMMIT";
    static constexpr const char* rollback = "ROLLBACK";

    // Set once on each new connection. The server gives up on a statement before the
    // operation's own deadline, so that a statement waiting for a lock ends with an error and
    // the connection can serve again. Dates come back as the store's ISO text.
    static constexpr const char* session = "SET statement_timeout = 4000; SET DateStyle = ISO, YMD";

    // The SQL with PostgreSQL's numbered parameters, $1, $2, ..., for the `?` that stand outside
    // quoted text.
    static std::string statement(const char* sql);
    // As statement(), for an INSERT whose new key, the column `keyColumn`, it gives back.
    static std::string insertGivingKey(const char* sql, const char* keyColumn);

    // As statement(), for an INSERT that gives the row's key itself, which only the server
    // gives otherwise.
    static std::string insertWithKey(const char* sql);
    // The name of a column as the server keeps it: an unquoted name is folded to lower case.
    static std::string folded(const char* column);
    // Parameters: the table, its key column (folded); the highest key its sequence gave, or 0.
    static constexpr const char* highestKeyGiven =
        "SELECT coalesce(pg_sequence_last_value(pg_get_serial_sequence(?, ?)::regclass), 0)";
    // Parameters: the table, its key column (folded) and a key the sequence must go on past.
    // Through the function that moves Medora's sequences only forward, which the desks may
    // call, and only when the key is past what the sequence gave.
    static constexpr const char* moveKeysForward =
        "SELECT medora_move_keys_forward(s, k) FROM (SELECT pg_get_serial_sequence(?, ?)::regclass"
        " AS s, CAST(? AS bigint) AS k) AS wanted WHERE k > coalesce(pg_sequence_last_value(s), 0)";

    // The entries of one row of a patient's, through the function that lets a desk read what
    // its group may see of the trail (Connection::prepareRowEntries).
    static constexpr const char* rowEntries = "SELECT * FROM medora_row_history(?, ?, ?)";
    // A serialization failure or a deadlock: the transaction lost to another one running at the
    // same time and goes through when run again.
    static bool isWorthRetrying(const char* sqlState);
    // The link failed, or the server is shutting down or starting: the connection is over.
    static bool endsTheSession(const char* sqlState);
    // The server's disk has no room for what the transaction writes.
    static bool isDiskFull(const char* sqlState);
};

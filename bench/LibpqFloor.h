#pragma once

#include "bench/BareStatement.h"

#include <string>
#include <vector>

struct pg_conn;

// The floor of an operation on the server: its statements through bare, blocking libpq calls
// on one connection kept open, as the store keeps its own between operations, each operation
// one transaction begun as in the store, every value of every row copied out.
class LibpqFloor
{
public:
    explicit LibpqFloor(const std::string& connection);
    ~LibpqFloor();
    LibpqFloor(const LibpqFloor&) = delete;
    LibpqFloor& operator=(const LibpqFloor&) = delete;

    // Runs the statements as one transaction; gives the key the last one with a key column
    // returned, or 0.
    long long run(const std::vector<BareStatement>& statements);
    // The server's processes that serve this connection's database, this one's among them.
    std::vector<int> serverProcesses();

private:
    void execute(const char* sql);

    pg_conn* m_conn;
};

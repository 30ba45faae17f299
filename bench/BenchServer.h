#pragma once

#include <string>

// The benchmarks' PostgreSQL server (bench/bench-server), kept under the benchmarks' data folder
// between runs and started for as long as the program runs, on a free port of the loopback
// address. Its databases hold the same made-up clinics as the benchmarks' records files, copied
// from them on first use; desks log in as "desk", a member of Medora's desk role.
class BenchServer
{
public:
    // The server of this run: started on first use, stopped when the program ends. A server
    // left running by an interrupted run is stopped at the next start.
    static BenchServer& shared();

    ~BenchServer();
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;

    // A desk's connection string to the clinic of `patients` patients.
    std::string clinic(int patients);
    // A desk's connection string to a fresh copy of that clinic named `name`, for work that
    // changes it; any earlier copy of that name goes first.
    std::string copyOfClinic(int patients, const std::string& name);
    void dropCopy(const std::string& name);
    // The owner's connection string to a database of the server, and its statements run with
    // the owner's rights: a trigger disabled, say.
    std::string ownerConnection(const std::string& database) const;
    void asOwner(const std::string& database, const std::string& sql) const;
    // Whether a copy of that name is there, kept from an earlier run.
    bool hasCopy(const std::string& name) const;
    // Reads the files of that clinic's database once, so that the system holds them in memory
    // as it holds a server's records in daily use.
    void warm(int patients) const;

private:
    BenchServer();
    std::string connection(const std::string& database, const std::string& user) const;
    void administer(const std::string& database, const std::string& sql) const;
    bool filled(const std::string& database) const;
    void fill(int patients, const std::string& database) const;

    std::string m_folder;
    int m_port;
};

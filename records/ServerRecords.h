#pragma once

#include "records/RecordsEngine.h"
#include "records/ServerBackup.h"

#include <string>

// The records on the clinic's server, backed up and restored through a Medora SQLite file.
class ServerRecords : public RecordsEngine {
public:
    // `connection` is a libpq connection string; a password, when given, overrides any in it.
    ServerRecords(std::string connection, std::string password)
        : m_server(std::move(connection), std::move(password)) {}

    bool exists() const override { return true; }
    Outcome backup(const std::string& target, const Progress& progress) const override;
    Outcome identity(std::string& id) const override;
    Outcome keep(BeforeRestore& keep, std::string& id, const Progress& progress) const override;
    // The records keep the server's identity, whatever id says.
    Outcome replace(const std::string& source, const std::string& id,
                    const Progress& progress) const override;
    // The server checks its own pages as it reads them; medora-admin check checks the rest.
    Outcome check() const override { return std::nullopt; }
    // A server's records are not one file that can be damaged and rescued row by row.
    std::unique_ptr<RecordsRescue> rescue() const override { return nullptr; }

private:
    ServerBackup m_server;
};

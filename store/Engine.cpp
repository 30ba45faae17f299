#include "store/Engine.h"

#include "store/ConnectionString.h"
#include "store/Database.h"
#include "store/PostgresEngine.h"
#include "store/SqliteEngine.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace {

std::mutex chosen;
std::string serverSetting;
std::string givenPassword;
std::string signedInLogin;
std::string recordsFilePath = Database::fileName;
// The records file of the last operation.
std::shared_ptr<SqliteEngine> lastFile;
// The server of the last operation, with the connections it keeps open.
std::shared_ptr<PostgresEngine> lastServer;

} // namespace

std::shared_ptr<Engine> Engine::current()
{
    const std::string server = serverConnection();
    const std::lock_guard lock(chosen);
    if (server.empty()) {
        if (!lastFile || lastFile->file() != recordsFilePath)
            lastFile = std::make_shared<SqliteEngine>(recordsFilePath);
        return lastFile;
    }
    if (!lastServer || lastServer->connection() != server ||
        lastServer->password() != givenPassword)
        lastServer = std::make_shared<PostgresEngine>(server, givenPassword);
    return lastServer;
}

void Engine::setServerSetting(const std::string& connection)
{
    const std::lock_guard lock(chosen);
    serverSetting = connection;
}

void Engine::setRecordsFile(const std::string& path)
{
    const std::lock_guard lock(chosen);
    recordsFilePath = path;
}

std::string Engine::recordsFile()
{
    const std::lock_guard lock(chosen);
    return recordsFilePath;
}

void Engine::setServerPassword(const std::string& password)
{
    const std::lock_guard lock(chosen);
    givenPassword = password;
}

std::string Engine::serverPassword()
{
    const std::lock_guard lock(chosen);
    return givenPassword;
}

bool Engine::testServer(const std::string& connection, const std::string& password)
{
    PostgresEngine server(connection, !password.empty() ? password : [] {
        const std::lock_guard lock(chosen);
        return givenPassword;
    }());
    return Database::runOn(server, [](Database& db) {
        return db.prepare("SELECT info_ID FROM clinic_info ORDER BY info_ID LIMIT 1").step();
    });
}

std::string Engine::serverConnection()
{
    const char* variable = std::getenv("MEDORA_DATABASE");
    const std::lock_guard lock(chosen);
    const std::string named = variable != nullptr && *variable != '\0' ? variable : serverSetting;
    if (named.empty() || signedInLogin.empty())
        return named;
    auto connection = ConnectionString::parse(named);
    if (!connection || connection->value("user") == signedInLogin)
        return named;
    connection->set("user", signedInLogin);
    return connection->text();
}

void Engine::setServerLogin(const std::string& login)
{
    const std::lock_guard lock(chosen);
    signedInLogin = login;
}

std::string Engine::serverLogin()
{
    const auto connection = ConnectionString::parse(serverConnection());
    if (connection && !connection->value("user").empty())
        return connection->value("user");
    const std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> defaults(PQconndefaults(),
                                                                              PQconninfoFree);
    for (const PQconninfoOption* option = defaults.get(); option && option->keyword; ++option)
        if (std::string(option->keyword) == "user" && option->val)
            return option->val;
    return {};
}

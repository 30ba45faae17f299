#include "store/SqliteEngine.h"

#include "store/Database.h"
#include "store/FileUpgrade.h"
#include "store/SqliteConnection.h"

bool SqliteEngine::transact(const std::function<bool(Connection&)>& work)
{
    SqliteConnection connection;
    Database upgrading(connection);
    FileUpgrade::run(upgrading);
    if (!work(connection))
        return false;
    connection.commit();
    return true;
}

#include "store/SqliteEngine.h"

#include "store/Database.h"
#include "store/SearchIndex.h"
#include "store/SqliteConnection.h"

bool SqliteEngine::transact(const std::function<bool(Connection&)>& work)
{
    SqliteConnection connection;
    Database upgrading(connection);
    SearchIndex::upgradeFile(upgrading);
    if (!work(connection))
        return false;
    connection.commit();
    return true;
}

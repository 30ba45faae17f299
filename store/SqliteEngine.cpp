#include "store/SqliteEngine.h"

#include "store/SqliteConnection.h"

bool SqliteEngine::transact(const std::function<bool(Connection&)>& work)
{
    SqliteConnection connection;
    if (!work(connection))
        return false;
    connection.commit();
    return true;
}

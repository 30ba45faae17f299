#include "store/SqliteEngine.h"

#include "store/Database.h"
#include "store/FileUpgrade.h"
#include "store/SearchIndex.h"
#include "store/SqliteConnection.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace {

// The records files whose search keys this process has set right: another program may have
// written to a file before the program opened it, but not while an operation holds it.
std::mutex checkedGuard;
std::set<std::string> checkedFiles;

// A records file by its whole path: the same name in another folder is another file.
std::string wholePath(const std::string& file)
{
    std::error_code error;
    return std::filesystem::absolute(file, error).string();
}

bool checked(const std::string& file)
{
    const std::lock_guard lock(checkedGuard);
    return checkedFiles.count(file) != 0;
}

} // namespace

// The file's lock lets one operation at a time work on it, reading or not. Only the wait for
// the lock is bounded: once the file is held, nothing else can make the operation wait.
// Only an operation that changes the records has the audit trail watch its changes; one that
// only reads may not write, as on a server.
bool SqliteEngine::transact(const std::function<bool(Connection&)>& work, Intent intent, Span)
{
    SqliteConnection connection(m_file);
    Database records(connection);
    const std::string file = wholePath(m_file);
    FileUpgrade::run(records);
    if (!checked(file))
        SearchIndex::repairFile(records);
    if (intent == Intent::Change)
        connection.keepAuditTrail();
    else
        connection.onlyRead();
    if (!work(connection))
        return false;
    connection.commit();
    const std::lock_guard lock(checkedGuard);
    checkedFiles.insert(file);
    return true;
}

void SqliteEngine::keysMayBeStale()
{
    const std::lock_guard lock(checkedGuard);
    checkedFiles.clear();
}

#include "store/SqliteEngine.h"

#include "store/Database.h"
#include "store/FileUpgrade.h"
#include "store/SearchIndex.h"
#include "store/SqliteConnection.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace {

// The records files whose search keys this process has set right: another program may have
// written to a file before the program opened it, but not while an operation holds it.
std::mutex checkedGuard;
std::set<std::string> checkedFiles;

// The records file in the current directory, by its whole path.
std::string recordsFile()
{
    const std::unique_ptr<char, decltype(&free)> folder(getcwd(nullptr, 0), &free);
    return std::string(folder ? folder.get() : "") + "/" + Database::fileName;
}

bool checked(const std::string& file)
{
    const std::lock_guard lock(checkedGuard);
    return checkedFiles.count(file) != 0;
}

} // namespace

bool SqliteEngine::transact(const std::function<bool(Connection&)>& work)
{
    SqliteConnection connection;
    Database records(connection);
    const std::string file = recordsFile();
    FileUpgrade::run(records);
    if (!checked(file))
        SearchIndex::repairFile(records);
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
    checkedFiles.erase(recordsFile());
}

#pragma once

class Database;

// Brings a records file that an earlier version made, or the supplied empty one, up to this
// version on its first use by the program, one step after another; user_version tells the
// steps a file has had. Only for the file engine, inside the operation's exclusive
// transaction.
class FileUpgrade
{
public:
    static void run(Database& db);
};

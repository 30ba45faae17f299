#pragma once

class Database;

// Brings a records file that an earlier version made, or the supplied empty one, up to this
// version on its first use by the program, one schema step after another; user_version tells
// the steps a file has had. A file of a later step than this program knows is refused before
// anything is written to it. Only for the file engine, inside the operation's exclusive
// transaction, so that the steps and the operation are kept or undone together.
class FileUpgrade
{
public:
    static void run(Database& db);
};

#pragma once

#include "store/Engine.h"

// The records file in the current directory. Each operation opens it, holds it exclusively
// and closes it before returning, so that between operations the whole database is that one
// file, which backups copy. The first operation on a file in each process sets its search
// keys right, as other programs may have changed its patients.
class SqliteEngine : public Engine
{
public:
    bool transact(const std::function<bool(Connection&)>& work) override;

    // The records file in the current directory was replaced: the next operation on it sets
    // its search keys right again.
    static void keysMayBeStale();
};

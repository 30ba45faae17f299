#pragma once

#include "store/Engine.h"

// The records file in the current directory. Each operation opens it, holds it exclusively
// and closes it before returning, so that between operations the whole database is that one
// file, which backups copy.
class SqliteEngine : public Engine
{
public:
    bool transact(const std::function<bool(Connection&)>& work) override;
};

#pragma once

#include "store/Connection.h"

#include <functional>

// Where the records are kept. Each engine knows how its connections are made, how a
// transaction starts and ends, and what it does when one cannot go through at once.
class Engine
{
public:
    virtual ~Engine() = default;

    // Runs work as one transaction on a connection of this engine: committed when work
    // returns true, undone when it returns false or throws. Engine failures throw DbError.
    virtual bool transact(const std::function<bool(Connection&)>& work) = 0;

    // The engine of the next operation.
    static Engine& current();
};

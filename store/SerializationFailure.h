#pragma once

#include "store/DbError.h"

// The server refused a transaction that lost to another one running at the same time; run
// again, it goes through.
class SerializationFailure : public DbError
{
public:
    using DbError::DbError;
};

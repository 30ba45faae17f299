#pragma once

#include <stdexcept>

// Any failure of the database engine inside the store. It never leaves the store: each data
// operation catches it and returns false.
class DbError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

#pragma once

#include "store/FailureKind.h"

#include <stdexcept>

// Any failure that ends an operation inside the store, the engine's or the store's own refusal
// to write over a change made elsewhere. It never leaves the store: each data operation
// catches it and returns false.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const std::string& what, FailureKind kind = FailureKind::EngineFailed)
        : std::runtime_error(what), m_kind(kind)
    {
    }

    FailureKind kind() const { return m_kind; }

private:
    FailureKind m_kind;
};

#pragma once

#include "store/DateTime.h"

#include <nlohmann/json.hpp>

#include <string>

// A row as the audit trail keeps it, as JSON: by the file's names of its columns or the
// server's, which it folds to lower case, with the server's dates written with a "T". Read
// here, both come out the same.
class TrailRow {
public:
    explicit TrailRow(const std::string& json);

    bool valid() const { return m_row.is_object(); }

    // The column's value as text: a number as JSON writes it, null or a missing column empty.
    std::string text(const char* column) const;
    // The column's whole number; 0 when it holds none.
    long long integer(const char* column) const;
    DateTime date(const char* column) const;

private:
    nlohmann::json m_row;
};

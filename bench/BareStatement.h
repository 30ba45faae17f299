#pragma once

#include <string>
#include <variant>
#include <vector>

// One statement of a benchmark's floor, the same work written with the database's own calls:
// SQL with `?` for each parameter, the parameters, and for an INSERT whose new key the floor
// gives back, the key's column.
struct BareStatement
{
    // A parameter that stands for the key the statement before gave back.
    struct KeyBefore {};
    using Param = std::variant<long long, std::string, KeyBefore>;

    std::string sql;
    std::vector<Param> params = {};
    const char* key = nullptr;
};

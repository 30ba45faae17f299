#include "store/TrailRow.h"

#include <algorithm>
#include <cctype>

namespace {

bool sameName(const std::string& a, const char* b) {
    return std::equal(a.begin(), a.end(), b, b + std::char_traits<char>::length(b),
                      [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

} // namespace

TrailRow::TrailRow(const std::string& json) : m_row(nlohmann::json::parse(json, nullptr, false)) {}

std::string TrailRow::text(const char* column) const {
    if (!valid())
        return {};
    for (const auto& [key, value] : m_row.items())
        if (sameName(key, column))
            return value.is_string() ? value.get<std::string>()
                   : value.is_null() ? std::string()
                                     : value.dump();
    return {};
}

long long TrailRow::integer(const char* column) const {
    const std::string digits = text(column);
    return !digits.empty() && std::all_of(digits.begin(), digits.end(), ::isdigit) &&
                   digits.size() < 19
               ? std::stoll(digits)
               : 0;
}

DateTime TrailRow::date(const char* column) const {
    std::string iso = text(column).substr(0, 19);
    std::replace(iso.begin(), iso.end(), 'T', ' ');
    DateTime when;
    DateTime::fromIso(iso, when);
    return when;
}

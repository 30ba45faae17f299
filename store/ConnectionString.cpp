#include "store/ConnectionString.h"

#include <libpq-fe.h>

#include <algorithm>
#include <memory>

namespace {

// libpq reads a value up to the next space unless it is quoted, and a backslash in either
// form takes the next character as it is.
std::string quoted(const std::string& value) {
    if (!value.empty() && value.find_first_of(" \t\n\r\f\v'\\") == std::string::npos)
        return value;
    std::string text = "'";
    for (char c : value) {
        if (c == '\'' || c == '\\')
            text += '\\';
        text += c;
    }
    return text + "'";
}

} // namespace

std::optional<ConnectionString> ConnectionString::parse(const std::string& text) {
    char* error = nullptr;
    std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
        PQconninfoParse(text.c_str(), &error), PQconninfoFree);
    PQfreemem(error);
    if (!options)
        return std::nullopt;
    ConnectionString parsed;
    for (const PQconninfoOption* option = options.get(); option->keyword; ++option)
        if (option->val && *option->val)
            parsed.values.emplace_back(option->keyword, option->val);
    return parsed;
}

std::string ConnectionString::value(const std::string& keyword) const {
    const auto found = std::ranges::find(values, keyword, &decltype(values)::value_type::first);
    return found == values.end() ? std::string() : found->second;
}

void ConnectionString::set(const std::string& keyword, const std::string& value) {
    const auto found = std::ranges::find(values, keyword, &decltype(values)::value_type::first);
    if (value.empty()) {
        if (found != values.end())
            values.erase(found);
    } else if (found != values.end()) {
        found->second = value;
    } else {
        values.emplace_back(keyword, value);
    }
}

std::string ConnectionString::text() const {
    std::string text;
    for (const auto& [keyword, value] : values)
        text += (text.empty() ? "" : " ") + keyword + "=" + quoted(value);
    return text;
}

// A host given as a socket folder, or not at all, is a server on this computer; a database
// not named is the one named after the user, as libpq chooses.
std::string ConnectionString::place() const {
    std::string host = value("host");
    if (host.empty())
        host = value("hostaddr");
    if (host.empty() && !value("service").empty())
        return "service " + value("service");
    if (host.empty() || host.front() == '/' || host.front() == '@')
        host = "local server";
    std::string database = value("dbname");
    if (database.empty())
        database = value("user");
    return database.empty() ? host : host + "/" + database;
}

#include "store/PostgresDialect.h"

#include <cstring>

std::string PostgresDialect::statement(const char* sql)
{
    std::string result;
    result.reserve(std::strlen(sql) + 16);
    int parameter = 0;
    char quote = 0;
    for (const char* c = sql; *c != '\0'; ++c) {
        if (quote != 0) {
            if (*c == quote)
                quote = 0;
        } else if (*c == '\'' || *c == '"') {
            quote = *c;
        } else if (*c == '?') {
            result += '$' + std::to_string(++parameter);
            continue;
        }
        result += *c;
    }
    return result;
}

std::string PostgresDialect::insertGivingKey(const char* sql, const char* keyColumn)
{
    return statement(sql) + " RETURNING " + keyColumn;
}

std::string PostgresDialect::insertWithKey(const char* sql)
{
    std::string text = statement(sql);
    const size_t values = text.find(" VALUES ");
    if (values != std::string::npos)
        text.insert(values, " OVERRIDING SYSTEM VALUE");
    return text;
}

std::string PostgresDialect::folded(const char* column)
{
    std::string name = column;
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}

bool PostgresDialect::endsTheSession(const char* sqlState)
{
    return sqlState != nullptr &&
           (std::strncmp(sqlState, "08", 2) == 0 || std::strncmp(sqlState, "57P", 3) == 0);
}

bool PostgresDialect::isDiskFull(const char* sqlState)
{
    return sqlState != nullptr && std::strcmp(sqlState, "53100") == 0;
}

bool PostgresDialect::isWorthRetrying(const char* sqlState)
{
    return sqlState != nullptr &&
           (std::strcmp(sqlState, "40001") == 0 || std::strcmp(sqlState, "40P01") == 0);
}

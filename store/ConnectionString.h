#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// A libpq connection string taken apart into its keywords, and put together again with each
// value quoted as libpq reads it. Both the keyword=value form and postgresql:// URIs are read;
// what is written is always keyword=value.
class ConnectionString {
public:
    ConnectionString() = default;
    // Nothing when libpq cannot read the text.
    static std::optional<ConnectionString> parse(const std::string& text);

    // Empty when the keyword is not given.
    std::string value(const std::string& keyword) const;
    // An empty value takes the keyword out.
    void set(const std::string& keyword, const std::string& value);
    std::string text() const;

    // The server and database, as a user names them: "clinic-server/medora".
    std::string place() const;

private:
    std::vector<std::pair<std::string, std::string>> values; // in the order they are written
};

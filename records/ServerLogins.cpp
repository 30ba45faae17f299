#include "records/ServerLogins.h"

#include <libpq-fe.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

void ignoreNotice(void*, const char*) {}

constexpr std::pair<UserRole, const char*> kGroups[] = {
    {UserRole::Administrator, "medora_admin"},
    {UserRole::Clinician, "medora_clinician"},
    {UserRole::Reception, "medora_reception"},
};

constexpr const char* kUsers =
    "SELECT login, full_name, grp, enabled, must_change FROM medora_users()";

Result execute(pg_conn* conn, const std::string& sql, const std::vector<std::string>& values) {
    std::vector<const char*> texts;
    for (const std::string& value : values)
        texts.push_back(value.c_str());
    return Result(PQexecParams(conn, sql.c_str(), int(texts.size()), nullptr, texts.data(), nullptr,
                               nullptr, 0),
                  PQclear);
}

UserAccount accountAt(const PGresult* users, int row) {
    const auto text = [&](int column) { return std::string(PQgetvalue(users, row, column)); };
    UserAccount account;
    account.name = text(0);
    account.fullName = text(1);
    account.role = ServerLogins::roleOfGroup(text(2)).value_or(UserRole::Reception);
    account.disabled = text(3) != "t";
    account.mustChangePassword = text(4) == "t";
    return account;
}

std::string firstLine(const char* message) {
    const std::string text = message != nullptr ? message : "";
    return text.substr(0, text.find('\n'));
}

} // namespace

namespace {

// Within seconds, so that a server out of reach never holds the screen that asked.
pg_conn* connectTo(const std::string& connection, const std::string& password) {
    std::vector<const char*> keywords{"connect_timeout", "dbname"};
    std::vector<const char*> values{"5", connection.c_str()};
    if (!password.empty()) {
        keywords.push_back("password");
        values.push_back(password.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    return PQconnectdbParams(keywords.data(), values.data(), 1);
}

} // namespace

ServerLogins::ServerLogins(const std::string& connection, const std::string& password)
    : m_conn(connectTo(connection, password)) {
    if (m_conn != nullptr)
        PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
}

ServerLogins::~ServerLogins() {
    PQfinish(m_conn);
}

std::string ServerLogins::groupOf(UserRole role) {
    for (const auto& [each, group] : kGroups)
        if (each == role)
            return group;
    return {};
}

std::optional<UserRole> ServerLogins::roleOfGroup(const std::string& group) {
    for (const auto& [role, each] : kGroups)
        if (group == each)
            return role;
    return std::nullopt;
}

bool ServerLogins::connected() {
    if (PQstatus(m_conn) == CONNECTION_OK)
        return true;
    return fail("The clinic server could not be reached: " + firstLine(PQerrorMessage(m_conn)));
}

std::optional<std::vector<UserAccount>> ServerLogins::list() {
    if (!connected())
        return std::nullopt;
    const Result users = execute(m_conn, std::string(kUsers) + " ORDER BY login COLLATE \"C\"", {});
    if (PQresultStatus(users.get()) != PGRES_TUPLES_OK) {
        refused(users.get(), {});
        return std::nullopt;
    }
    std::vector<UserAccount> accounts;
    for (int row = 0; row < PQntuples(users.get()); ++row)
        accounts.push_back(accountAt(users.get(), row));
    return accounts;
}

bool ServerLogins::add(const UserAccount& user, const std::string& password) {
    if (const std::string problem = nameProblem(user.name); !problem.empty())
        return fail(problem);
    if (const std::string problem = passwordProblem(user.name, password); !problem.empty())
        return fail(problem);
    if (!connected())
        return false;
    const auto made = verifier(user.name, password);
    return made && call("SELECT medora_add_user($1, $2, $3, $4, $5)",
                        {user.name, groupOf(user.role), *made, user.fullName,
                         user.mustChangePassword ? "true" : "false"},
                        user.name);
}

bool ServerLogins::setRole(const std::string& name, UserRole role) {
    return connected() && call("SELECT medora_set_user_role($1, $2)", {name, groupOf(role)}, name);
}

bool ServerLogins::setDisabled(const std::string& name, bool disabled) {
    return connected() && call("SELECT medora_set_user_enabled($1, $2)",
                               {name, disabled ? "false" : "true"}, name);
}

bool ServerLogins::resetPassword(const std::string& name, const std::string& password) {
    if (const std::string problem = passwordProblem(name, password); !problem.empty())
        return fail(problem);
    if (!connected())
        return false;
    const auto made = verifier(name, password);
    return made && call("SELECT medora_reset_password($1, $2)", {name, *made}, name);
}

bool ServerLogins::changeOwnPassword(const std::string& newPassword, const std::string& old) {
    if (!connected())
        return false;
    const Result signedIn(PQexec(m_conn, "SELECT session_user"), PQclear);
    if (PQresultStatus(signedIn.get()) != PGRES_TUPLES_OK)
        return fail("The clinic server did not answer: " + firstLine(PQerrorMessage(m_conn)));
    const std::string name = PQgetvalue(signedIn.get(), 0, 0);
    if (const std::string problem = passwordProblem(name, newPassword, old); !problem.empty())
        return fail(problem);
    const auto made = verifier(name, newPassword);
    return made && call("SELECT medora_change_own_password($1)", {*made}, name);
}

std::optional<UserAccount> ServerLogins::whoAmI(pg_conn* conn) {
    const Result found = execute(conn, std::string(kUsers) + " WHERE login = session_user", {});
    if (PQresultStatus(found.get()) != PGRES_TUPLES_OK || PQntuples(found.get()) != 1)
        return std::nullopt;
    return accountAt(found.get(), 0);
}

// Made here, so that the password itself never leaves the desk.
std::optional<std::string> ServerLogins::verifier(const std::string& name,
                                                  const std::string& password) {
    char* made = PQencryptPasswordConn(m_conn, password.c_str(), name.c_str(), "scram-sha-256");
    if (made == nullptr) {
        fail("The password could not be prepared for the server: " +
             firstLine(PQerrorMessage(m_conn)));
        return std::nullopt;
    }
    std::string text = made;
    PQfreemem(made);
    return text;
}

// One call of the server's functions, its refusal told in the user's words.
bool ServerLogins::call(const std::string& sql, const std::vector<std::string>& values,
                        const std::string& name) {
    const Result result = execute(m_conn, sql, values);
    const ExecStatusType status = PQresultStatus(result.get());
    return status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK || refused(result.get(), name);
}

bool ServerLogins::refused(const PGresult* result, const std::string& name) {
    const char* code = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const std::string state = code != nullptr ? code : "";
    if (state == "42501")
        return fail("Only an administrator may manage users.");
    if (state == "MD001")
        return fail("The last enabled administrator cannot be disabled or given another role.");
    if (state == "42704")
        return fail("There is no user " + name + ".");
    if (state == "42710")
        return fail("The user " + name + " exists already.");
    if (state == "42883")
        return fail("The records on the server do not keep their users yet: have medora-admin "
                    "upgrade run on them.");
    const char* said = result != nullptr ? PQresultErrorMessage(result) : PQerrorMessage(m_conn);
    return fail("The clinic server refused: " + firstLine(said));
}

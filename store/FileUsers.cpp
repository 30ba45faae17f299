#include "store/FileUsers.h"

#include "store/Database.h"
#include "store/Engine.h"

#include <sodium.h>
#include <sqlite3.h>

#include <map>
#include <mutex>
#include <stdexcept>

namespace {

struct StoredUser {
    UserAccount user;
    std::string hash;
    long long waitUntil = 0;
};

void sodiumReady() {
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw std::runtime_error("libsodium could not start");
}

bool verifies(const std::string& hash, const std::string& password) {
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

bool needsRehash(const std::string& hash) {
    return crypto_pwhash_str_needs_rehash(hash.c_str(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0;
}

UserAccount accountFrom(const Statement& row) {
    UserAccount user;
    user.name = row.text(0);
    user.fullName = row.text(1);
    user.role = roleNamed(row.text(2)).value_or(UserRole::Reception);
    user.disabled = row.integer(3) != 0;
    user.mustChangePassword = row.integer(4) != 0;
    return user;
}

constexpr const char* kAccountColumns =
    "SELECT name, full_name, role, disabled, must_change_password";

// Nothing when the users could not be read; an empty result when there is no such user.
std::optional<std::optional<StoredUser>> readUser(const std::string& name) {
    std::optional<StoredUser> found;
    const bool read = Database::read([&](Database& db) {
        Statement row = db.prepare((std::string(kAccountColumns) +
                                    ", password_hash, wait_until FROM users WHERE name = ?")
                                       .c_str());
        row.bind(1, name);
        if (row.step())
            found = StoredUser{accountFrom(row), row.text(5), row.integer(6)};
        return true;
    });
    if (!read)
        return std::nullopt;
    return found;
}

// Names that are no user's are counted in memory, so that trying them is slowed down just
// as trying a user's is, and nobody learns from the wait which names are users.
class StrangerTries {
public:
    // Seconds to wait before the next try of this name.
    int waitFor(const std::string& name, std::time_t now) {
        std::lock_guard lock(m_mutex);
        const auto found = m_waits.find(name);
        return found == m_waits.end() || found->second.waitUntil <= now
                   ? 0
                   : static_cast<int>(found->second.waitUntil - now);
    }
    void failed(const std::string& name, std::time_t now) {
        std::lock_guard lock(m_mutex);
        Tries& tries = m_waits[name];
        if (++tries.failures >= FileUsers::triesBeforeWait)
            tries = {0, now + FileUsers::waitSeconds};
    }

private:
    struct Tries {
        int failures = 0;
        std::time_t waitUntil = 0;
    };
    std::mutex m_mutex;
    std::map<std::string, Tries> m_waits;
};

StrangerTries& strangers() {
    static StrangerTries tries;
    return tries;
}

// A hash no password is checked against but to take the time a user's check takes.
const std::string& decoyHash() {
    static const std::string hash = FileUsers::hash("a password of nobody's");
    return hash;
}

} // namespace

std::string FileUsers::hash(const std::string& password) {
    sodiumReady();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("out of memory for the password's hash");
    return out;
}

// Read apart from the store's operations, whose first use of a file may set its records right
// (a damaged file's identity, say) before the day's backup has read them as they were.
std::optional<bool> FileUsers::any() {
    sqlite3* db = nullptr;
    std::optional<bool> found;
    if (sqlite3_open_v2(Engine::recordsFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_busy_timeout(db, Database::busyTimeoutMs);
        sqlite3_stmt* query = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT 1 FROM users LIMIT 1", -1, &query, nullptr) ==
            SQLITE_OK) {
            const int step = sqlite3_step(query);
            if (step == SQLITE_ROW || step == SQLITE_DONE)
                found = step == SQLITE_ROW;
        }
        sqlite3_finalize(query);
    }
    sqlite3_close(db);
    return found;
}

std::optional<std::vector<UserAccount>> FileUsers::list() {
    std::vector<UserAccount> users;
    const bool read = Database::read([&](Database& db) {
        Statement row =
            db.prepare((std::string(kAccountColumns) + " FROM users ORDER BY name").c_str());
        while (row.step())
            users.push_back(accountFrom(row));
        return true;
    });
    if (!read) {
        fail("The users could not be read.");
        return std::nullopt;
    }
    return users;
}

bool FileUsers::add(const UserAccount& user, const std::string& password) {
    if (const std::string problem = nameProblem(user.name); !problem.empty())
        return fail(problem);
    if (const std::string problem = passwordProblem(user.name, password); !problem.empty())
        return fail(problem);
    const std::string hashed = hash(password);
    std::string refusal;
    const bool added = Database::run([&](Database& db) {
        if (db.prepare("SELECT 1 FROM users WHERE name = ?").bind(1, user.name).step()) {
            refusal = "The user " + user.name + " exists already.";
            return false;
        }
        const bool first = !db.prepare("SELECT 1 FROM users LIMIT 1").step();
        if (first && user.role != UserRole::Administrator) {
            refusal = "The first user must be an administrator.";
            return false;
        }
        db.prepare("INSERT INTO users (name, full_name, role, password_hash, disabled,"
                   " must_change_password) VALUES (?, ?, ?, ?, ?, ?)")
            .bind(1, user.name)
            .bind(2, user.fullName)
            .bind(3, roleName(user.role))
            .bind(4, hashed)
            .bind(5, user.disabled ? 1 : 0)
            .bind(6, user.mustChangePassword ? 1 : 0)
            .run();
        return true;
    });
    return added || fail(refusal.empty() ? "The user could not be added." : refusal);
}

// Makes the change to the user `name`, unless it leaves no enabled administrator.
bool FileUsers::keepsAnAdministrator(const std::string& name, const char* change,
                                     const char* sql, const std::string& value) {
    std::string refusal;
    const bool done = Database::run([&](Database& db) {
        db.prepare(sql).bind(1, value).bind(2, name).run();
        if (db.changes() != 1) {
            refusal = "There is no user " + name + ".";
            return false;
        }
        if (!db.prepare("SELECT 1 FROM users WHERE role = 'administrator' AND disabled = 0")
                 .step()) {
            refusal = std::string("The last enabled administrator cannot be ") + change + ".";
            return false;
        }
        return true;
    });
    return done || fail(refusal.empty() ? "The user could not be changed." : refusal);
}

bool FileUsers::setRole(const std::string& name, UserRole role) {
    return keepsAnAdministrator(name, "given another role",
                                "UPDATE users SET role = ? WHERE name = ?", roleName(role));
}

bool FileUsers::setDisabled(const std::string& name, bool disabled) {
    return keepsAnAdministrator(name, "disabled", "UPDATE users SET disabled = ? WHERE name = ?",
                                disabled ? "1" : "0");
}

bool FileUsers::update(const std::string& name, const char* sql, const std::string& value) {
    const bool done = Database::run([&](Database& db) {
        db.prepare(sql).bind(1, value).bind(2, name).run();
        return db.changes() == 1;
    });
    return done || fail("The user " + name + " could not be changed.");
}

bool FileUsers::resetPassword(const std::string& name, const std::string& password) {
    if (const std::string problem = passwordProblem(name, password); !problem.empty())
        return fail(problem);
    return update(name,
                  "UPDATE users SET password_hash = ?, must_change_password = 1,"
                  " failed_sign_ins = 0, wait_until = 0 WHERE name = ?",
                  hash(password));
}

bool FileUsers::changePassword(const std::string& name, const std::string& old,
                               const std::string& password) {
    const auto stored = readUser(name);
    if (!stored || !*stored || !verifies((*stored)->hash, old))
        return fail("The user name or password is not right.");
    if (const std::string problem = passwordProblem(name, password, old); !problem.empty())
        return fail(problem);
    return update(name,
                  "UPDATE users SET password_hash = ?, must_change_password = 0 WHERE name = ?",
                  hash(password));
}

SignInResult FileUsers::signIn(const std::string& name, const std::string& password,
                               std::time_t now) {
    sodiumReady();
    const auto stored = readUser(name);
    if (!stored)
        return {SignInOutcome::Unreadable};
    if (!*stored) {
        if (const int wait = strangers().waitFor(name, now); wait > 0)
            return {SignInOutcome::MustWait, {}, wait};
        verifies(decoyHash(), password);
        strangers().failed(name, now);
        return {SignInOutcome::WrongNameOrPassword};
    }
    const StoredUser& user = **stored;
    if (user.waitUntil > now)
        return {SignInOutcome::MustWait, {}, static_cast<int>(user.waitUntil - now)};
    if (!verifies(user.hash, password)) {
        Database::run([&](Database& db) {
            db.prepare("UPDATE users SET"
                       " wait_until = CASE WHEN failed_sign_ins + 1 >= ? THEN ? ELSE 0 END,"
                       " failed_sign_ins = CASE WHEN failed_sign_ins + 1 >= ? THEN 0"
                       " ELSE failed_sign_ins + 1 END WHERE name = ?")
                .bind(1, triesBeforeWait)
                .bind(2, static_cast<long long>(now + waitSeconds))
                .bind(3, triesBeforeWait)
                .bind(4, name)
                .run();
            return true;
        });
        return {SignInOutcome::WrongNameOrPassword};
    }
    if (user.user.disabled)
        return {SignInOutcome::Disabled, user.user};
    // The limits may have risen since the hash was made: it is made again at them.
    const std::string rehashed = needsRehash(user.hash) ? hash(password) : user.hash;
    Database::run([&](Database& db) {
        db.prepare("UPDATE users SET failed_sign_ins = 0, wait_until = 0, password_hash = ?"
                   " WHERE name = ?")
            .bind(1, rehashed)
            .bind(2, name)
            .run();
        return true;
    });
    return {user.user.mustChangePassword ? SignInOutcome::MustChangePassword
                                         : SignInOutcome::SignedIn,
            user.user};
}

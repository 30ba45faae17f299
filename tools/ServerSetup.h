#pragma once

#include <string>
#include <vector>

enum class StepRows;

struct pg_conn;

// Medora's records in a database on a PostgreSQL server: making them in an empty database,
// and checking that a database holds them as this version of Medora makes them.
class ServerSetup {
public:
    // What every desk's login may do, through one of Medora's groups (medora_admin,
    // medora_clinician, medora_reception), each a member of it: read and write rows, nothing
    // more.
    static constexpr const char* deskRole = "medora_desk";

    // Connects to the database that the libpq connection string names.
    explicit ServerSetup(const std::string& connection);
    ~ServerSetup();
    ServerSetup(const ServerSetup&) = delete;
    ServerSetup& operator=(const ServerSetup&) = delete;

    // The tables and indexes, the one clinic row, the desks' groups with their rights and the
    // functions through which an administrator looks after the logins, all in one
    // transaction; refused unless the database's schema is empty. The functions run with the
    // rights of the login that runs it, which must be a superuser or may create roles.
    bool init();
    // Whether the records stand at this version's schema step, and the tables, columns,
    // indexes, the clinic row and the desks' rights are as init makes them; the steps the
    // records lack are named.
    bool check();
    // Brings records that an earlier version set up to this version's schema step, one step
    // after another, and the desks to this version's rights, taking from them what they may no
    // longer do, all in one transaction. Records of a newer version are left as they are.
    bool upgrade();
    // Whether every key sequence has numbers left to give: a sequence that has given all but
    // the last hundredth of the numbers a key can hold is a problem.
    bool numbersLeft();
    // Makes every patient's search keys afresh, as the program makes them, for patients put in
    // by other means than the program's.
    bool fillSearchKeys();

    // Why the server could not be worked with, in a user's words: not running or out of
    // reach, or refusing the login; empty once connected.
    std::string unreachable() const;
    // Whether init has made Medora's tables in the database.
    bool initialised();

    // What went wrong, or what check found different, one line each.
    const std::vector<std::string>& problems() const { return m_problems; }
    // What the user should know after a command that worked, one line each.
    const std::vector<std::string>& notes() const { return m_notes; }

private:
    bool run(const std::string& sql);
    std::vector<std::string> rows(const std::string& sql);
    std::string single(const std::string& sql);
    std::vector<std::string> layout(const std::string& schema);
    void compare(const std::string& what, const std::vector<std::string>& found,
                 const std::vector<std::string>& wanted);
    bool fail(const std::string& problem);
    bool giveIdentity();
    bool makeRows(StepRows rows);
    int standing();
    bool stepRecorded();
    static std::string newer(int step);
    bool recordStep();
    bool checkStep();
    void checkDeskLimits();
    void checkGroups();
    void checkGroupRights();
    bool moveDeskLogins();

    std::string m_connection;
    pg_conn* m_conn;
    std::vector<std::string> m_problems;
    std::vector<std::string> m_notes;
};

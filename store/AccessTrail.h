#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

class Engine;

// What was done with the records without changing them, as the audit trail names it.
enum class Access {
    Open,         // a patient's record or a visit
    Print,        // a record or a prescription, on paper or to a file
    Preview,      // the same on screen
    Export,       // a record, or every record, leaving Medora
    Search,       // a search that listed patients
    Backup,
    Restore,
    Rescue,
    Import,
    SignIn,
    SignInFailed,
    SignOut,
    Lock,
    Unlock,
    Rights,       // who may do what was changed
};

// Access to the records, entered in the audit trail with who, when and at which desk, as the
// changes are: on the server through a view whose trigger runs as the records' owner and
// accepts only these words.
class AccessTrail {
public:
    struct Entry {
        Access access;
        std::string table;                 // the table of the row accessed; empty for none
        std::string record;                // that row's key
        std::optional<long long> patient;  // the patient whose records they are
        std::vector<std::pair<std::string, std::string>> details = {}; // written as JSON
    };

    // False, with LastFailure saying why, when the entry could not be entered.
    static bool enter(const Entry& entry);
    // As enter(), in the records of that engine rather than the ones in use.
    static bool enterOn(Engine& engine, const Entry& entry);
    static const char* word(Access access);
    static const std::vector<Access>& all();
};

#pragma once

#include <string>

// The per-user choice of the records: empty for this computer's file, else a libpq connection
// string naming the clinic's server. The environment variable MEDORA_DATABASE wins over it.
class RecordsSetting {
public:
    static std::string saved();
    // Hands the saved choice to the store, before the program's first operation.
    static void applySaved();
    // Saves the choice and uses it from the next operation on.
    static void choose(const std::string& connection);

    static bool fromEnvironment();
    // What the status bar says: "Records: this computer", "Records: clinic-server/medora".
    static std::string statusText();
};

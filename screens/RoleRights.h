#pragma once

#include <string>
#include <utility>
#include <vector>

class FormView;

// What the signed-in user's role keeps them from, command by command, in the words a disabled
// menu entry or button shows as its tooltip. Nobody signed in (records without users) may use
// every command.
class RoleRights {
public:
    static constexpr const char* forClinicians =
        "Visits, histories, medications and tests are for clinicians.";
    static constexpr const char* forAdministrators = "Only an administrator may do this.";

    // Empty when the signed-in user may use the command.
    static std::string whyNot(int command);

    // Disables each of the form's buttons whose command the user may not use, the reason as
    // its tooltip; the others are left as they are.
    static void limitButtons(FormView& view, const std::vector<std::pair<int, int>>& buttonCommands);
};

#pragma once

#include <string>
#include <vector>

// What each of Medora's tables holds, in the words of the people who use the program, for
// the messages that tell of damage and of what a rescue saved.
class TableWords {
public:
    // "the visits" for complaints; a table the program does not know is "other records".
    static std::string of(const std::string& table);
    // "the visits, the test results and the clinic's details"
    static std::string list(const std::vector<std::string>& tables);
    // Phrases joined as a sentence lists them: "a, b and c".
    static std::string joined(const std::vector<std::string>& phrases);
};

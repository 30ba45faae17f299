#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Whether a drug about to be prescribed, or recorded among a patient's medications, may be one
// the patient is recorded as allergic to: it shares a word of four letters or more with an
// allergy entry (case and accents aside), or the two name members of one drug class in the
// table of common allergy classes. A help, not a guarantee: see allergy-classes.txt.
class AllergyCheck {
public:
    struct Match {
        std::string allergy;   // the allergy entry as recorded
        std::string drugClass; // the class the two share; empty when they share a word
    };

    // The first of the allergy entries the drug matches, if any.
    static std::optional<Match> find(std::string_view drug,
                                     const std::vector<std::string>& allergies);
    // "NAME is recorded as allergic to: ALLERGY. Add DRUG anyway?", the class named after the
    // allergy when that is what they share.
    static std::string question(const std::string& patient, const std::string& drug,
                                const Match& match);
};

#include "records/TableWords.h"

#include <map>

std::string TableWords::of(const std::string& table) {
    static const std::map<std::string, std::string> words{
        {"patient_info", "the patients' details"},
        {"complaints", "the visits"},
        {"history_entries", "the history entries"},
        {"patient_medications", "the patients' medications"},
        {"meds_list", "the list of medications"},
        {"tests", "the test results"},
        {"tests_list", "the list of tests"},
        {"clinic_info", "the clinic's details"},
        {"search_words", "what the search finds patients by"},
        {"records_identity", "the records' identity"},
        {"users", "the users who sign in"},
        {"clinic_settings", "the clinic's settings"},
        {"audit_trail", "the audit trail"},
    };
    const auto found = words.find(table);
    return found != words.end() ? found->second : "other records";
}

std::string TableWords::list(const std::vector<std::string>& tables) {
    std::vector<std::string> phrases;
    for (const std::string& table : tables)
        phrases.push_back(of(table));
    return joined(phrases);
}

std::string TableWords::joined(const std::vector<std::string>& phrases) {
    std::string text;
    for (size_t i = 0; i < phrases.size(); ++i)
        text += (i == 0 ? "" : i + 1 == phrases.size() ? " and " : ", ") + phrases[i];
    return text;
}

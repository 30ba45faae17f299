#include "store/AllergyCheck.h"

#include "store/AllergyClasses.h"
#include "store/SearchKey.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace {

using Words = std::vector<std::string>;

struct DrugClass {
    std::string name;
    std::vector<Words> terms; // each a run of folded words
};

struct Table {
    std::set<std::string> ignored;
    std::vector<DrugClass> classes;
};

std::string trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t");
    return first == std::string_view::npos ? "" : std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(trimmed(part));
    return parts;
}

// "class: NAME | GROUP | TERM; TERM; ..." after its "class:".
DrugClass parseClass(const std::string& text) {
    const std::vector<std::string> fields = split(text, '|');
    DrugClass parsed{fields.at(0), {}};
    for (const std::string& term : split(fields.at(2), ';'))
        if (Words words = SearchKey::words(term); !words.empty())
            parsed.terms.push_back(std::move(words));
    return parsed;
}

// The table's lines, each continued by the indented lines after it.
std::vector<std::string> directives(const std::string& text) {
    std::vector<std::string> joined;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        if ((line[0] == ' ' || line[0] == '\t') && !joined.empty())
            joined.back() += " " + trimmed(line);
        else
            joined.push_back(line);
    }
    return joined;
}

Table parseTable(const std::string& text) {
    Table table;
    for (const std::string& line : directives(text)) {
        const std::string key = line.substr(0, line.find(':'));
        const std::string rest = line.substr(key.size() + 1);
        if (key == "ignore")
            for (std::string& word : SearchKey::words(rest))
                table.ignored.insert(std::move(word));
        else if (key == "class")
            table.classes.push_back(parseClass(rest));
    }
    return table;
}

const Table& table() {
    static const Table parsed = parseTable(kAllergyClasses);
    return parsed;
}

size_t letters(const std::string& word) {
    return size_t(std::count_if(word.begin(), word.end(), [](unsigned char c) {
        return c >= 0x80 || (c >= 'a' && c <= 'z');
    }));
}

// Words that may make a match by themselves: four letters or more, and not a word of forms,
// doses or reactions.
std::set<std::string> telling(const Words& words) {
    std::set<std::string> kept;
    for (const std::string& word : words)
        if (letters(word) >= 4 && !table().ignored.contains(word))
            kept.insert(word);
    return kept;
}

bool holds(const Words& words, const Words& term) {
    return std::search(words.begin(), words.end(), term.begin(), term.end()) != words.end();
}

bool names(const Words& words, const DrugClass& drugClass) {
    return std::any_of(drugClass.terms.begin(), drugClass.terms.end(),
                       [&](const Words& term) { return holds(words, term); });
}

std::optional<std::string> sharedClass(const Words& drug, const Words& allergy) {
    for (const DrugClass& drugClass : table().classes)
        if (names(drug, drugClass) && names(allergy, drugClass))
            return drugClass.name;
    return std::nullopt;
}

bool shareAWord(const Words& drug, const Words& allergy) {
    const std::set<std::string> ours = telling(drug);
    return std::any_of(allergy.begin(), allergy.end(),
                       [&](const std::string& word) { return ours.contains(word); });
}

} // namespace

std::optional<AllergyCheck::Match> AllergyCheck::find(std::string_view drug,
                                                      const std::vector<std::string>& allergies) {
    const Words drugWords = SearchKey::words(drug);
    for (const std::string& allergy : allergies) {
        const Words allergyWords = SearchKey::words(allergy);
        if (shareAWord(drugWords, allergyWords))
            return Match{allergy, ""};
        if (std::optional<std::string> both = sharedClass(drugWords, allergyWords))
            return Match{allergy, *both};
    }
    return std::nullopt;
}

std::string AllergyCheck::question(const std::string& patient, const std::string& drug,
                                   const Match& match) {
    const std::string why = match.drugClass.empty()
                                ? match.allergy
                                : match.allergy + " (the same class: " + match.drugClass + ")";
    return patient + " is recorded as allergic to: " + why + ". Add " + drug + " anyway?";
}

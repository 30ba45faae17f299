#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the search keeps of a patient, one row of search_words each; the numbers are stored.
enum class SearchKind { FirstName = 0, LastName = 1, Phone = 2, BirthDate = 3 };

// Text typed into a search box, read as what it asks for. Each term must be met by some key
// of a patient's: a key of a kind from lowest to highest that begins with `prefix`.
class SearchQuery
{
public:
    struct Term
    {
        std::string prefix;
        SearchKind lowest;
        SearchKind highest;
    };

    explicit SearchQuery(std::string_view typed);

    const std::vector<Term>& terms() const { return m_terms; }
    // The record number the text is, when it is a number alone.
    const std::optional<int>& recordNumber() const { return m_recordNumber; }

    static constexpr size_t mostTerms = 16;

    // The least text that every key beginning with prefix sorts below, byte by byte.
    static std::string pastPrefix(const std::string& prefix);

private:
    void addTerm(Term term);
    void readToken(std::string_view token);
    bool readDate(std::string_view token);
    bool readDigits(std::string_view text);

    std::vector<Term> m_terms;
    std::optional<int> m_recordNumber;
};

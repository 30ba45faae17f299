#include "store/SearchQuery.h"

#include "store/DateTime.h"
#include "store/RecordId.h"
#include "store/SearchKey.h"

#include <algorithm>
#include <regex>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// What may stand between the digits of a telephone number as people write it.
bool isPhoneMark(char c)
{
    return c == ' ' || c == '-' || c == '.' || c == '(' || c == ')' || c == '+' || c == '/';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A year given in two digits is the latest such year not after this one.
int fullYear(int year, size_t digits)
{
    if (digits != 2)
        return year;
    DateTime::Civil today;
    DateTime::currentLocal().toCivil(today);
    const int century = today.year / 100 * 100;
    return century + year > today.year ? century - 100 + year : century + year;
}

bool isRealDate(int year, int month, int day)
{
    DateTime::Civil civil;
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && year >= 1 &&
           DateTime::fromCivil(year, month, day).toCivil(civil) && civil.day == day &&
           civil.month == month;
}

} // namespace

SearchQuery::SearchQuery(std::string_view typed)
{
    const auto first = std::find_if_not(typed.begin(), typed.end(), isSpace);
    const auto last = std::find_if_not(typed.rbegin(), typed.rend(), isSpace).base();
    const std::string_view text(first, first < last ? last : first);
    int number = 0;
    if (!text.empty() && std::all_of(text.begin(), text.end(), isDigit) &&
        parseRecordId(std::string(text), number))
        m_recordNumber = number;
    // A telephone number typed with spaces in it is one number, not several words.
    if (text.find(' ') != std::string_view::npos && readDigits(text))
        return;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find_first_of(" \t\r\n", at), text.size());
        if (end > at)
            readToken(text.substr(at, end - at));
        at = end + 1;
    }
}

std::string SearchQuery::pastPrefix(const std::string& prefix)
{
    return prefix + "\xF4\x8F\xBF\xBF"; // U+10FFFF, above every character
}

// A term typed twice asks nothing more, and a name has far fewer words than the most a search
// looks for: text pasted by mistake makes a search of its first words, not a huge one.
void SearchQuery::addTerm(Term term)
{
    const auto same = [&term](const Term& other) {
        return other.prefix == term.prefix && other.lowest == term.lowest &&
               other.highest == term.highest;
    };
    if (m_terms.size() < mostTerms && std::none_of(m_terms.begin(), m_terms.end(), same))
        m_terms.push_back(std::move(term));
}

void SearchQuery::readToken(std::string_view token)
{
    if (readDate(token) || readDigits(token))
        return;
    // A typed apostrophe or hyphen joins, as it does in the names it looks for: "o'b" finds
    // O'Brien, not Olga Brown.
    for (std::string& word : SearchKey::joinedWords(token)) {
        const bool phone = word.size() >= SearchKey::minimumDigits &&
                           std::all_of(word.begin(), word.end(), isDigit);
        addTerm({std::move(word), SearchKind::FirstName,
                 phone ? SearchKind::Phone : SearchKind::LastName});
    }
}

// Day before month, "17/05/1980" or "17.5.80", or the year first, "1980-05-17".
bool SearchQuery::readDate(std::string_view token)
{
    static const std::regex dayFirst(R"((\d{1,2})[/.-](\d{1,2})[/.-](\d{4}|\d{2}))");
    static const std::regex yearFirst(R"((\d{4})-(\d{1,2})-(\d{1,2}))");
    std::match_results<std::string_view::const_iterator> parts;
    int year = 0, month = 0, day = 0;
    if (std::regex_match(token.begin(), token.end(), parts, dayFirst)) {
        day = std::stoi(parts[1]);
        month = std::stoi(parts[2]);
        year = fullYear(std::stoi(parts[3]), parts[3].length());
    } else if (std::regex_match(token.begin(), token.end(), parts, yearFirst)) {
        year = std::stoi(parts[1]);
        month = std::stoi(parts[2]);
        day = std::stoi(parts[3]);
    } else {
        return false;
    }
    if (!isRealDate(year, month, day))
        return false;
    addTerm({SearchKey::date(year, month, day), SearchKind::BirthDate, SearchKind::BirthDate});
    return true;
}

// Digits with the marks of a telephone number between them, enough of them to look for.
bool SearchQuery::readDigits(std::string_view text)
{
    std::string digits;
    for (const char c : text) {
        if (isDigit(c))
            digits += c;
        else if (!isPhoneMark(c))
            return false;
    }
    if (digits.size() < SearchKey::minimumDigits)
        return false;
    addTerm({std::move(digits), SearchKind::FirstName, SearchKind::Phone});
    return true;
}

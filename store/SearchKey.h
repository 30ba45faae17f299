#pragma once

#include <string>
#include <string_view>
#include <vector>

// The accent-free, lower-case form in which names, telephone numbers and dates of birth are
// kept for searching, and in which typed text is looked up, so that "jose nunez" finds
// "José Núñez". Letters of other scripts stay themselves, lower-cased where that is cheap
// (Greek, Cyrillic, Armenian); anything that is neither a letter nor a digit splits words.
class SearchKey
{
public:
    // The words of a text, in order; a word may repeat.
    static std::vector<std::string> words(std::string_view text);
    // The same, a word joined by an apostrophe or a hyphen taken as one: "O'Brien" gives
    // "obrien", "Smith-Jones" "smithjones".
    static std::vector<std::string> joinedWords(std::string_view text);
    // The whole text folded, its words joined by single spaces: what lists sort by.
    static std::string folded(std::string_view text);
    // Every tail of at least minimumDigits digits of each number in a telephone field, a
    // number's spaces, dashes, dots and brackets ignored; any typed run of digits inside the
    // number then begins one of them.
    static std::vector<std::string> phoneTails(std::string_view telephone);
    // A date of birth as the search keeps it, "YYYYMMDD".
    static std::string date(int year, int month, int day);

    static constexpr size_t minimumDigits = 4;
};

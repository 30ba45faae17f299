#include "store/SearchKey.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

constexpr char32_t kNone = 0xFFFFFFFF;

// Decodes one UTF-8 character from text at i and moves i past it; a byte that does not
// start a well-formed character gives kNone.
char32_t decode(std::string_view text, size_t& i)
{
    const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i++);
    if (lead < 0x80)
        return lead;
    int more = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (more < 0 || lead >= 0xF5)
        return kNone;
    char32_t c = lead & (0x3F >> more);
    for (; more > 0; --more) {
        if (i >= text.size() || (byte(i) & 0xC0) != 0x80)
            return kNone;
        c = (c << 6) | (byte(i++) & 0x3F);
    }
    return c;
}

void encode(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

struct Run
{
    int count;
    const char* ascii; // empty: not a letter
};

// U+00C0 to U+017F, in runs of letters that fold alike.
constexpr Run kLatin[] = {
    {6, "a"},  {1, "ae"}, {1, "c"},  {4, "e"}, {4, "i"}, {1, "d"},  {1, "n"},  {5, "o"},
    {1, ""},   {1, "o"},  {4, "u"},  {1, "y"}, {1, "th"}, {1, "ss"}, {6, "a"}, {1, "ae"},
    {1, "c"},  {4, "e"},  {4, "i"},  {1, "d"}, {1, "n"}, {5, "o"},  {1, ""},   {1, "o"},
    {4, "u"},  {1, "y"},  {1, "th"}, {1, "y"}, {6, "a"}, {8, "c"},  {4, "d"},  {10, "e"},
    {8, "g"},  {4, "h"},  {10, "i"}, {2, "ij"}, {2, "j"}, {3, "k"}, {10, "l"}, {9, "n"},
    {6, "o"},  {2, "oe"}, {6, "r"},  {8, "s"}, {6, "t"}, {12, "u"}, {2, "w"},  {3, "y"},
    {6, "z"},  {1, "s"},
};

// U+1EA0 to U+1EF9, the Vietnamese letters with two marks.
constexpr Run kVietnamese[] = {{24, "a"}, {16, "e"}, {4, "i"}, {24, "o"}, {14, "u"}, {8, "y"}};

template <size_t N>
const char* lookUp(const Run (&runs)[N], char32_t offset)
{
    for (const Run& run : runs) {
        if (offset < static_cast<char32_t>(run.count))
            return run.ascii;
        offset -= run.count;
    }
    return "";
}

bool within(char32_t c, char32_t first, char32_t last)
{
    return c >= first && c <= last;
}

// Marks that ride on a letter (accents, Hebrew points, Arabic harakat, the Arabic
// lengthening stroke) vanish without splitting the word.
bool isMark(char32_t c)
{
    return within(c, 0x0300, 0x036F) || within(c, 0x0483, 0x0489) ||
           within(c, 0x0591, 0x05BD) || c == 0x05BF || within(c, 0x05C1, 0x05C2) ||
           within(c, 0x05C4, 0x05C5) || c == 0x05C7 || within(c, 0x0610, 0x061A) ||
           c == 0x0640 || within(c, 0x064B, 0x065F) || c == 0x0670 ||
           within(c, 0x06D6, 0x06DC) || within(c, 0x06DF, 0x06E4) || within(c, 0x06E7, 0x06E8) ||
           within(c, 0x06EA, 0x06ED) || within(c, 0x1AB0, 0x1AFF) || within(c, 0x1DC0, 0x1DFF) ||
           within(c, 0x200B, 0x200D) || within(c, 0x20D0, 0x20FF) || within(c, 0xFE20, 0xFE2F) ||
           c == 0xFEFF;
}

// Punctuation, spaces and symbols beyond Latin-1 that split words.
bool isSeparator(char32_t c)
{
    return c == kNone || c < 0xC0 || c == 0x037E || c == 0x0387 || c == 0x0589 ||
           c == 0x05BE || c == 0x05C0 || c == 0x05C3 || within(c, 0x05F3, 0x05F4) ||
           c == 0x060C || c == 0x061B || c == 0x061F || within(c, 0x066A, 0x066D) ||
           c == 0x06D4 || within(c, 0x2000, 0x206F) || within(c, 0x20A0, 0x2BFF) ||
           within(c, 0x2E00, 0x2E7F) || within(c, 0x3000, 0x3004) || within(c, 0x3008, 0x3020) || c == 0x30FB ||
           within(c, 0xFE10, 0xFE1F) || within(c, 0xFE30, 0xFE6F) || within(c, 0xFF01, 0xFF0F) ||
           within(c, 0xFF1A, 0xFF20) || within(c, 0xFF3B, 0xFF40) || within(c, 0xFF5B, 0xFF65) ||
           within(c, 0xD800, 0xDFFF) || c > 0x10FFFF;
}

char32_t lowerGreek(char32_t c)
{
    switch (c) {
    case 0x0386: case 0x03AC: return 0x03B1;
    case 0x0388: case 0x03AD: return 0x03B5;
    case 0x0389: case 0x03AE: return 0x03B7;
    case 0x038A: case 0x03AF: case 0x0390: case 0x03AA: case 0x03CA: return 0x03B9;
    case 0x038C: case 0x03CC: return 0x03BF;
    case 0x038E: case 0x03CD: case 0x03B0: case 0x03AB: case 0x03CB: return 0x03C5;
    case 0x038F: case 0x03CE: return 0x03C9;
    case 0x03C2: return 0x03C3; // final sigma
    default: return within(c, 0x0391, 0x03A9) ? c + 0x20 : c;
    }
}

// Upper to lower case where the cases sit at a fixed distance, and a few letters that are
// written either way folded into one.
char32_t lower(char32_t c)
{
    if (within(c, 'A', 'Z'))
        return c + 0x20;
    if (within(c, 0x0386, 0x03CE))
        return lowerGreek(c);
    if (c == 0x0401 || c == 0x0451)
        return 0x0435; // ё is often written е
    if (within(c, 0x0400, 0x040F))
        return c + 0x50;
    if (within(c, 0x0410, 0x042F))
        return c + 0x20;
    if (within(c, 0x0531, 0x0556))
        return c + 0x30;
    if (c == 0x0622 || c == 0x0623 || c == 0x0625)
        return 0x0627; // alef with hamza or madda is often written plain
    if (within(c, 0x0660, 0x0669))
        return '0' + (c - 0x0660);
    if (within(c, 0x06F0, 0x06F9))
        return '0' + (c - 0x06F0);
    if (within(c, 0xFF10, 0xFF19))
        return '0' + (c - 0xFF10);
    if (within(c, 0xFF21, 0xFF3A))
        return 'a' + (c - 0xFF21);
    if (within(c, 0xFF41, 0xFF5A))
        return 'a' + (c - 0xFF41);
    return c;
}

// Appends c's folded form to word, or returns false when c splits words.
bool fold(char32_t c, std::string& word)
{
    if (isMark(c))
        return true;
    const char* latin = nullptr;
    if (within(c, 0xC0, 0x17F))
        latin = lookUp(kLatin, c - 0xC0);
    else if (within(c, 0x1EA0, 0x1EF9))
        latin = lookUp(kVietnamese, c - 0x1EA0);
    else if (c == 0x01A0 || c == 0x01A1)
        latin = "o";
    else if (c == 0x01AF || c == 0x01B0)
        latin = "u";
    if (latin != nullptr) {
        word += latin;
        return *latin != '\0';
    }
    c = lower(c);
    const bool asciiWord = within(c, 'a', 'z') || within(c, '0', '9');
    if (c < 0x80 ? !asciiWord : isSeparator(c))
        return false;
    encode(c, word);
    return true;
}

bool isPhoneSeparator(char c)
{
    return c == ' ' || c == '-' || c == '.' || c == '(' || c == ')';
}

// The apostrophes and hyphens that join the parts of a name: O'Brien, O’Brien, Smith-Jones.
bool joinsWords(char32_t c)
{
    return c == U'\'' || c == U'\u2019' || c == U'\u02BC' || c == U'-' || c == U'\u2010' ||
           c == U'\u2011';
}

std::vector<std::string> wordsOf(std::string_view text, bool joined)
{
    std::vector<std::string> found;
    std::string word;
    for (size_t i = 0; i < text.size();) {
        const char32_t c = decode(text, i);
        if (fold(c, word) || (joined && joinsWords(c)))
            continue;
        if (!word.empty())
            found.push_back(std::move(word));
        word.clear();
    }
    if (!word.empty())
        found.push_back(std::move(word));
    return found;
}

} // namespace

std::vector<std::string> SearchKey::words(std::string_view text)
{
    return wordsOf(text, false);
}

std::vector<std::string> SearchKey::joinedWords(std::string_view text)
{
    return wordsOf(text, true);
}

std::string SearchKey::folded(std::string_view text)
{
    std::string joined;
    for (const std::string& word : words(text))
        joined += (joined.empty() ? "" : " ") + word;
    return joined;
}

std::vector<std::string> SearchKey::phoneTails(std::string_view telephone)
{
    std::vector<std::string> tails;
    std::string digits;
    const auto endNumber = [&] {
        for (size_t from = 0; from + minimumDigits <= digits.size(); ++from)
            tails.push_back(digits.substr(from));
        digits.clear();
    };
    for (const char c : telephone) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (!isPhoneSeparator(c))
            endNumber();
    }
    endNumber();
    return tails;
}

std::string SearchKey::date(int year, int month, int day)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
    return text;
}

#include "store/RecordId.h"

#include <climits>

bool parseRecordId(const std::string& text, int& id)
{
    if (text.empty())
        return false;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > INT_MAX)
            return false;
    }
    id = static_cast<int>(value);
    return true;
}

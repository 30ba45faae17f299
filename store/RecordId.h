#pragma once

#include <string>

// Record numbers travel between screens as decimal text. Only whole numbers that fit a
// 32-bit key are accepted (leading zeros allowed, "007" is 7); anything else is refused
// before the database is touched.
bool parseRecordId(const std::string& text, int& id);

#include "records/ArrayBatch.h"

ArrayBatch::ArrayBatch(size_t columns) : m_arrays(columns, "{") {}

void ArrayBatch::addNull(size_t column) {
    next(column) += "NULL";
}

void ArrayBatch::addInteger(size_t column, long long value) {
    next(column) += std::to_string(value);
}

// Quoted, so that no text reads as NULL or loses its spaces; only the quote and the
// backslash are escaped.
void ArrayBatch::addText(size_t column, const char* text, size_t size) {
    std::string& array = next(column);
    array += '"';
    const char* end = text + size;
    for (const char* run = text; run < end;) {
        const char* special = run;
        while (special < end && *special != '"' && *special != '\\')
            ++special;
        array.append(run, special);
        if (special == end)
            break;
        array += '\\';
        array += *special;
        run = special + 1;
    }
    array += '"';
}

size_t ArrayBatch::size() const {
    size_t bytes = 0;
    for (const std::string& array : m_arrays)
        bytes += array.size() - 1;
    return bytes;
}

std::vector<std::string> ArrayBatch::take() {
    std::vector<std::string> arrays(m_arrays.size(), "{");
    arrays.swap(m_arrays);
    for (std::string& array : arrays)
        array += '}';
    return arrays;
}

std::string& ArrayBatch::next(size_t column) {
    std::string& array = m_arrays[column];
    if (array.size() > 1)
        array += ',';
    return array;
}

#include "records/ArrayBatch.h"

namespace {

// The binary form's header: dimensions, whether a NULL is held, the element type, then for
// the one dimension its length and lower bound.
constexpr size_t kHeader = 5 * 4;

void putInt32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((value >> shift) & 0xff);
}

void setInt32(std::string& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + size_t(i)] = char((value >> (24 - 8 * i)) & 0xff);
}

} // namespace

ArrayBatch::ArrayBatch(std::vector<uint32_t> binaryTextTypes)
    : m_types(std::move(binaryTextTypes)) {
    start();
}

void ArrayBatch::start() {
    m_arrays.assign(m_types.size(), std::string());
    for (size_t column = 0; column < m_types.size(); ++column)
        m_arrays[column] = binary(column) ? std::string(kHeader, '\0') : std::string("{");
    m_holdsNull.assign(m_types.size(), false);
    m_rows = 0;
}

void ArrayBatch::addNull(size_t column) {
    std::string& array = next(column);
    if (binary(column)) {
        putInt32(array, uint32_t(-1));
        m_holdsNull[column] = true;
    } else {
        array += "NULL";
    }
}

void ArrayBatch::addInteger(size_t column, long long value) {
    const std::string digits = std::to_string(value);
    if (binary(column))
        addText(column, digits.data(), digits.size());
    else
        next(column) += digits;
}

// In text form quoted, so that no text reads as NULL or loses its spaces; only the quote and
// the backslash are escaped.
void ArrayBatch::addText(size_t column, const char* text, size_t size) {
    std::string& array = next(column);
    if (binary(column)) {
        putInt32(array, uint32_t(size));
        array.append(text, size);
        return;
    }
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
    for (size_t column = 0; column < m_arrays.size(); ++column)
        bytes += m_arrays[column].size() - (binary(column) ? kHeader : 1);
    return bytes;
}

std::vector<int> ArrayBatch::formats() const {
    std::vector<int> formats;
    for (size_t column = 0; column < m_types.size(); ++column)
        formats.push_back(binary(column) ? 1 : 0);
    return formats;
}

std::vector<std::string> ArrayBatch::take() {
    std::vector<std::string> arrays;
    arrays.swap(m_arrays);
    for (size_t column = 0; column < arrays.size(); ++column)
        arrays[column] = finished(column, std::move(arrays[column]));
    start();
    return arrays;
}

std::string ArrayBatch::finished(size_t column, std::string array) const {
    if (!binary(column))
        return array + '}';
    if (m_rows == 0) // no dimension at all: the header's first three numbers
        array.resize(12);
    setInt32(array, 0, m_rows == 0 ? 0 : 1);
    setInt32(array, 4, m_holdsNull[column] ? 1 : 0);
    setInt32(array, 8, m_types[column]);
    if (m_rows > 0) {
        setInt32(array, 12, m_rows);
        setInt32(array, 16, 1);
    }
    return array;
}

std::string& ArrayBatch::next(size_t column) {
    if (column == 0)
        ++m_rows;
    std::string& array = m_arrays[column];
    if (!binary(column) && array.size() > 1)
        array += ',';
    return array;
}

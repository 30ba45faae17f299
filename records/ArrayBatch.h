#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Rows gathered column by column, each column as one PostgreSQL array, to go to the server as
// the parameters of one statement that unnests them into rows. A column of text goes in the
// array's binary form, which the server takes in without parsing it (it still checks that the
// text is valid in its encoding); any other column in the array's text form, which the server
// reads as it reads a value of the column's type.
class ArrayBatch {
public:
    // Each column's element type for a column sent in binary form, or kTextForm.
    static constexpr uint32_t kTextForm = 0;
    explicit ArrayBatch(std::vector<uint32_t> binaryTextTypes = {});

    void addNull(size_t column);
    void addInteger(size_t column, long long value);
    void addText(size_t column, const char* text, size_t size);
    // The bytes gathered so far.
    size_t size() const;
    // Each column's form as libpq counts it: 1 binary, 0 text.
    std::vector<int> formats() const;
    // The arrays of the rows gathered, one for each column; the batch is empty again.
    std::vector<std::string> take();

private:
    bool binary(size_t column) const { return m_types[column] != kTextForm; }
    std::string& next(size_t column);
    void start();
    std::string finished(size_t column, std::string array) const;

    std::vector<uint32_t> m_types;
    std::vector<std::string> m_arrays;
    std::vector<bool> m_holdsNull;
    uint32_t m_rows = 0; // of the column written last; each row fills every column
};

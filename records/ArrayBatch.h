#pragma once

#include <string>
#include <vector>

// Rows gathered column by column, each column as a PostgreSQL array in text form, to go to
// the server as the parameters of one statement that unnests them into rows.
class ArrayBatch {
public:
    explicit ArrayBatch(size_t columns = 0);

    void addNull(size_t column);
    void addInteger(size_t column, long long value);
    void addText(size_t column, const char* text, size_t size);
    // The bytes gathered so far.
    size_t size() const;
    // The arrays of the rows gathered, one for each column; the batch is empty again.
    std::vector<std::string> take();

private:
    std::string& next(size_t column);

    std::vector<std::string> m_arrays;
};

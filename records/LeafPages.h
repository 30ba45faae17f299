#pragma once

#include <functional>
#include <string>
#include <vector>

struct sqlite3_file;

// One value of a row as a SQLite file stores it.
struct StoredValue {
    enum Type { Null, Integer, Real, Text, Blob };
    Type type = Null;
    long long integer = 0;
    double real = 0;
    std::string bytes; // of text or a blob
};

struct FoundRow {
    long long rowid = 0;
    std::vector<StoredValue> values;
};

// The rows of the leaf pages of tables in a SQLite file, read from the pages themselves rather
// than through the tables, so that rows whose table no longer leads to their page are found
// too, and those of a file whose header or schema is lost. Free pages, which may hold rows long
// deleted, are left out as far as the header still names them; so is whatever does not look
// like a leaf page or a whole row. The file is hostile: every offset and length it gives is
// checked against the page and the file, and every chain of pages it gives is followed at most
// once around.
class LeafPages {
public:
    using Wanted = std::function<bool(long long page)>;
    using Rows = std::function<void(long long page, const std::vector<FoundRow>& rows)>;

    // Reads through the file's SQLite handle: another descriptor's closing would drop the
    // process's locks on it. The page size is the header's while the header is sound, else the
    // one under which most of the file reads as pages of tables and indexes.
    explicit LeafPages(sqlite3_file* file);

    // Hands the rows of each leaf page that is wanted, page by page.
    void scan(const Wanted& wanted, const Rows& rows);
    // The pages of the table whose first page is root, as far as the pages above its leaves
    // lead.
    std::vector<long long> tree(long long root) const;
    long long pages() const { return m_pages; }

private:
    bool readPage(long long page, std::vector<unsigned char>& bytes) const;
    void guessPageSize(long long length);
    std::vector<bool> freePages() const;
    std::vector<FoundRow> rowsOf(const std::vector<unsigned char>& page);
    bool payload(const std::vector<unsigned char>& page, size_t at, long long size,
                 std::string& out);

    sqlite3_file* m_file;
    long long m_pageSize = 0;
    long long m_usable = 0;
    long long m_pages = 0;
    long long m_freeTrunk = 0;    // the free list's first page, as a sound header gives it
    std::vector<bool> m_overflow; // the pages a cell's payload was read from
};

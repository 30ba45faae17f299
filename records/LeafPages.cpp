#include "records/LeafPages.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr unsigned char kTableLeaf = 0x0d;
constexpr unsigned char kTableInterior = 0x05;
constexpr unsigned char kIndexLeaf = 0x0a;
constexpr unsigned char kIndexInterior = 0x02;
constexpr long long kSmallestPage = 512;
constexpr long long kLargestPage = 65536;

long long bigEndian(const unsigned char* at, int size) {
    long long value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | at[i];
    return value;
}

// A SQLite varint at `at`, which moves past it; false when it runs past `end`.
bool varint(const unsigned char*& at, const unsigned char* end, long long& value) {
    value = 0;
    for (int i = 0; i < 9; ++i) {
        if (at >= end)
            return false;
        const unsigned char byte = *at++;
        value = i == 8 ? (value << 8) | byte : (value << 7) | (byte & 0x7f);
        if (i < 8 && (byte & 0x80) == 0)
            return true;
    }
    return true;
}

// The values of a record: a header of serial types, then their bodies.
bool decodeRecord(const std::string& record, std::vector<StoredValue>& values) {
    const auto* start = reinterpret_cast<const unsigned char*>(record.data());
    const unsigned char* end = start + record.size();
    const unsigned char* at = start;
    long long headerSize = 0;
    if (!varint(at, end, headerSize) || headerSize < 1 || headerSize > (long long)record.size())
        return false;
    const unsigned char* body = start + headerSize;
    values.clear();
    while (at < start + headerSize) {
        long long type = 0;
        if (!varint(at, start + headerSize, type) || type < 0 || type == 10 || type == 11)
            return false;
        static const int kIntegerSize[] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0};
        const long long size = type >= 12 ? (type - 12) / 2 : kIntegerSize[type];
        if (size > end - body)
            return false;
        StoredValue value;
        if (type >= 1 && type <= 6) {
            value.type = StoredValue::Integer;
            value.integer = bigEndian(body, int(size));
            if (size < 8 && (body[0] & 0x80)) // sign-extended
                value.integer -= 1LL << (8 * size);
        } else if (type == 7) {
            value.type = StoredValue::Real;
            const long long bits = bigEndian(body, 8);
            std::memcpy(&value.real, &bits, sizeof value.real);
        } else if (type == 8 || type == 9) {
            value.type = StoredValue::Integer;
            value.integer = type - 8;
        } else if (type >= 12) {
            value.type = type % 2 ? StoredValue::Text : StoredValue::Blob;
            value.bytes.assign(reinterpret_cast<const char*>(body), size_t(size));
        }
        body += size;
        values.push_back(std::move(value));
    }
    return body == end;
}

// Whether a page of that size and usable part, whose b-tree header starts at `at`, reads as
// a page of a table or an index: a known kind, its cells' offsets within its content, which
// lies within the page.
bool isTreePage(const unsigned char* page, long long usable, size_t at) {
    const unsigned char kind = page[at];
    if (kind != kTableLeaf && kind != kTableInterior && kind != kIndexLeaf &&
        kind != kIndexInterior)
        return false;
    const long long top =
        (long long)at + (kind == kTableInterior || kind == kIndexInterior ? 12 : 8);
    const long long cells = bigEndian(&page[at + 3], 2);
    const long long freeblock = bigEndian(&page[at + 1], 2);
    long long content = bigEndian(&page[at + 5], 2);
    if (content == 0)
        content = 65536;
    if (page[at + 7] > 60 || top + 2 * cells > content || content > usable ||
        (freeblock != 0 && (freeblock < content || freeblock > usable - 4)))
        return false;
    for (long long cell = 0; cell < cells; ++cell) {
        const long long offset = bigEndian(&page[size_t(top + 2 * cell)], 2);
        if (offset < content || offset >= usable)
            return false;
    }
    return true;
}

// The pages an interior page of a table leads to, as far as its cells lie within it.
std::vector<long long> children(const std::vector<unsigned char>& page, long long usable) {
    std::vector<long long> found{bigEndian(&page[8], 4)};
    const long long cells = bigEndian(&page[3], 2);
    for (long long cell = 0; cell < cells && 12 + 2 * cell + 2 <= usable; ++cell) {
        const long long offset = bigEndian(&page[size_t(12 + 2 * cell)], 2);
        if (offset >= 12 && offset + 4 <= usable)
            found.push_back(bigEndian(&page[size_t(offset)], 4));
    }
    return found;
}

// The page size and its usable part that the header gives, when it is sound.
bool soundHeader(const unsigned char* header, long long& pageSize, long long& usable) {
    long long size = bigEndian(&header[16], 2);
    if (size == 1)
        size = 65536;
    const long long rest = size - header[20];
    if (std::memcmp(header, "SQLite format 3", 16) != 0 || size < kSmallestPage ||
        (size & (size - 1)) != 0 || rest < 480)
        return false;
    pageSize = size;
    usable = rest;
    return true;
}

} // namespace

LeafPages::LeafPages(sqlite3_file* file) : m_file(file) {
    unsigned char header[100] = {};
    sqlite3_int64 length = 0;
    if (!m_file || !m_file->pMethods || m_file->pMethods->xFileSize(m_file, &length) != SQLITE_OK)
        return;
    if (length >= 100 && m_file->pMethods->xRead(m_file, header, 100, 0) == SQLITE_OK &&
        soundHeader(header, m_pageSize, m_usable))
        m_freeTrunk = bigEndian(&header[32], 4);
    else
        guessPageSize(length);
    m_pages = m_pageSize > 0 ? length / m_pageSize : 0;
    m_overflow.resize(size_t(m_pages + 1));
}

// Under a wrong size most of the file's pages start in the middle of a page, and the few
// that start where a page does have their cells beyond their end or span two pages; so the
// size under which most pages read as pages of the b-trees is the file's. The file is read
// once, in pieces the size of the largest page, each of which holds whole pages of any size.
void LeafPages::guessPageSize(long long length) {
    std::vector<long long> found(17);
    std::vector<unsigned char> piece(kLargestPage);
    for (long long start = 0; start < length; start += kLargestPage) {
        const long long size = std::min(kLargestPage, length - start);
        if (m_file->pMethods->xRead(m_file, piece.data(), int(size), start) != SQLITE_OK)
            continue;
        for (int power = 9; power <= 16; ++power) {
            const long long pageSize = 1LL << power;
            for (long long at = start == 0 ? pageSize : 0; at + pageSize <= size; at += pageSize)
                found[size_t(power)] += isTreePage(&piece[size_t(at)], pageSize, 0);
        }
    }
    const auto most = std::max_element(found.begin(), found.end());
    if (*most == 0)
        return;
    m_pageSize = 1LL << (most - found.begin());
    m_usable = m_pageSize;
}

bool LeafPages::readPage(long long page, std::vector<unsigned char>& bytes) const {
    bytes.resize(size_t(m_pageSize));
    return page >= 1 && page <= m_pages &&
           m_file->pMethods->xRead(m_file, bytes.data(), int(m_pageSize),
                                   (page - 1) * m_pageSize) == SQLITE_OK;
}

// The pages the free list names, as far as it can be read.
std::vector<bool> LeafPages::freePages() const {
    std::vector<bool> free(size_t(m_pages + 1));
    std::vector<unsigned char> page;
    long long trunk = m_freeTrunk;
    for (long long trunks = 0; trunk > 1 && trunk <= m_pages && !free[size_t(trunk)] &&
                               trunks < m_pages && readPage(trunk, page);
         ++trunks) {
        free[size_t(trunk)] = true;
        const long long leaves = bigEndian(&page[4], 4);
        for (long long leaf = 0; leaf < leaves && 8 + 4 * leaf + 4 <= m_usable; ++leaf) {
            const long long number = bigEndian(&page[size_t(8 + 4 * leaf)], 4);
            if (number > 0 && number <= m_pages)
                free[size_t(number)] = true;
        }
        trunk = bigEndian(&page[0], 4);
    }
    return free;
}

void LeafPages::scan(const Wanted& wanted, const Rows& rows) {
    if (m_pageSize == 0)
        return;
    const std::vector<bool> free = freePages();
    std::vector<unsigned char> page;
    for (long long number = 2; number <= m_pages; ++number)
        if (!free[size_t(number)] && wanted(number) && readPage(number, page) &&
            page[0] == kTableLeaf)
            rows(number, rowsOf(page));
}

std::vector<long long> LeafPages::tree(long long root) const {
    std::vector<long long> found;
    if (root < 2 || root > m_pages)
        return found;
    std::vector<bool> seen(size_t(m_pages + 1));
    std::vector<long long> waiting{root};
    seen[size_t(root)] = true;
    std::vector<unsigned char> page;
    while (!waiting.empty()) {
        const long long number = waiting.back();
        waiting.pop_back();
        found.push_back(number);
        if (!readPage(number, page) || page[0] != kTableInterior ||
            !isTreePage(page.data(), m_usable, 0))
            continue;
        for (const long long child : children(page, m_usable))
            if (child >= 2 && child <= m_pages && !seen[size_t(child)]) {
                seen[size_t(child)] = true;
                waiting.push_back(child);
            }
    }
    return found;
}

std::vector<FoundRow> LeafPages::rowsOf(const std::vector<unsigned char>& page) {
    std::vector<FoundRow> found;
    const long long cells = bigEndian(&page[3], 2);
    if (8 + 2 * cells > m_usable)
        return found;
    const unsigned char* end = page.data() + m_usable;
    std::string record;
    for (long long cell = 0; cell < cells; ++cell) {
        const long long offset = bigEndian(&page[size_t(8 + 2 * cell)], 2);
        if (offset < 8 + 2 * cells || offset >= m_usable)
            continue;
        const unsigned char* at = page.data() + offset;
        FoundRow row;
        long long size = 0;
        if (varint(at, end, size) && varint(at, end, row.rowid) && size >= 0 &&
            payload(page, size_t(at - page.data()), size, record) &&
            decodeRecord(record, row.values))
            found.push_back(std::move(row));
    }
    return found;
}

// A cell's payload: what its page holds, then the pages it overflows onto. No payload is
// larger than the file, and no page holds the overflow of two cells: a chain that leads round
// in a circle, or into another's, ends there, and the pages read stay within the file's.
bool LeafPages::payload(const std::vector<unsigned char>& page, size_t at, long long size,
                        std::string& out) {
    const long long most = m_usable - 35;
    const long long least = (m_usable - 12) * 32 / 255 - 23;
    if (size > m_pages * m_usable)
        return false;
    long long local = size;
    if (size > most) {
        const long long spill = least + (size - least) % (m_usable - 4);
        local = spill <= most ? spill : least;
    }
    if ((long long)at + local + (size > local ? 4 : 0) > m_usable)
        return false;
    out.assign(reinterpret_cast<const char*>(&page[at]), size_t(local));
    if (size == local)
        return true;
    long long next = bigEndian(&page[at + size_t(local)], 4);
    std::vector<unsigned char> overflow;
    while ((long long)out.size() < size) {
        if (next < 2 || next > m_pages || m_overflow[size_t(next)] || !readPage(next, overflow))
            return false;
        m_overflow[size_t(next)] = true;
        const long long piece = std::min(size - (long long)out.size(), m_usable - 4);
        out.append(reinterpret_cast<const char*>(&overflow[4]), size_t(piece));
        next = bigEndian(&overflow[0], 4);
    }
    return true;
}

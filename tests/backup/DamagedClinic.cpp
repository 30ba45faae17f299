#include "DamagedClinic.h"

#include "records/MedoraTables.h"
#include "tools/ClinicGenerator.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace {

struct Reader {
    sqlite3* db = nullptr;
    explicit Reader(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~Reader() { sqlite3_close(db); }

    // Each row's columns joined by '|'.
    std::vector<std::vector<std::string>> rows(const std::string& sql) const {
        std::vector<std::vector<std::string>> found;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int column = 0; column < sqlite3_column_count(statement); ++column) {
                const auto* text =
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
                row.push_back(text ? text : "NULL");
            }
            found.push_back(row);
        }
        sqlite3_finalize(statement);
        return found;
    }
};

long long varint(const unsigned char*& at) {
    long long value = 0;
    for (int i = 0; i < 8; ++i) {
        value = (value << 7) | (*at & 0x7f);
        if ((*at++ & 0x80) == 0)
            return value;
    }
    return (value << 8) | *at++;
}

// Writes a varint at `at`; gives the position after it.
size_t putVarint(std::vector<unsigned char>& bytes, size_t at, unsigned long long value) {
    std::vector<unsigned char> groups{static_cast<unsigned char>(value & 0x7f)};
    for (value >>= 7; value > 0; value >>= 7)
        groups.insert(groups.begin(), static_cast<unsigned char>(0x80 | (value & 0x7f)));
    std::copy(groups.begin(), groups.end(), bytes.begin() + long(at));
    return at + groups.size();
}

void putBigEndian(std::vector<unsigned char>& bytes, size_t at, long long value, int size) {
    for (int i = size - 1; i >= 0; --i, value >>= 8)
        bytes[at + size_t(i)] = static_cast<unsigned char>(value & 0xff);
}

long long bigEndian(const std::vector<unsigned char>& bytes, size_t at, int size) {
    long long value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | bytes[at + size_t(i)];
    return value;
}

} // namespace

DamagedClinic::DamagedClinic(const std::string& path, Damage damage) {
    if (!generateClinic(path, ClinicSize::forPatients(400), 7) || !alter(path))
        return;
    m_stored = rowsOf(path);
    m_pageSize = std::stoll(Reader(path).rows("PRAGMA page_size")[0][0]);
    this->damage(path, damage);
}

// The first visit's treatment made long enough to overflow onto pages of its own, the only
// ones the clinic has (the generator writes no row that long), and numbers given to patients
// beyond the last one kept, as when the last ones were deleted.
bool DamagedClinic::alter(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const Reader read(path);
    const bool given = sqlite3_exec(db,
                                    "UPDATE sqlite_sequence SET seq = seq + 1000"
                                    " WHERE name = 'patient_info'",
                                    nullptr, nullptr, nullptr) == SQLITE_OK;
    if (given)
        m_largestPatientGiven = std::stoll(
            read.rows("SELECT seq FROM sqlite_sequence WHERE name = 'patient_info'")[0][0]);
    sqlite3_stmt* update = nullptr;
    sqlite3_prepare_v2(db,
                       "UPDATE complaints SET treatment = ?1 WHERE compl_ID ="
                       " (SELECT min(compl_ID) FROM complaints) RETURNING compl_ID",
                       -1, &update, nullptr);
    std::string treatment;
    for (int line = 0; line < 300; ++line)
        treatment += "Line " + std::to_string(line) + " of a long treatment.\n";
    sqlite3_bind_text(update, 1, treatment.c_str(), int(treatment.size()), SQLITE_TRANSIENT);
    const bool updated = sqlite3_step(update) == SQLITE_ROW;
    if (updated)
        m_longVisit = sqlite3_column_int64(update, 0);
    const bool done = sqlite3_finalize(update) == SQLITE_OK && updated && given;
    sqlite3_close(db);
    return done;
}

DamagedClinic::Rows DamagedClinic::rowsOf(const std::string& path) {
    const Reader file(path);
    Rows rows;
    for (const MedoraTable& table : MedoraTables::all()) {
        if (table.derived)
            continue;
        auto& kept = rows[table.name];
        for (const auto& row : file.rows("SELECT rowid, * FROM " + table.name)) {
            std::string text;
            for (size_t column = 1; column < row.size(); ++column)
                text += row[column] + "|";
            kept[std::stoll(row[0])] = text;
        }
    }
    return rows;
}

DamagedClinic::Rows DamagedClinic::readable() const {
    Rows rows = m_stored;
    for (const auto& [table, lost] : m_lost)
        for (long long rowid : lost)
            rows[table].erase(rowid);
    // The patient is the column after the key in each of the tables that have one.
    const auto& patients = rows["patient_info"];
    for (auto& [table, kept] : rows) {
        const MedoraTable* made = MedoraTables::find(table);
        if (table == "patient_info" || !made || made->columns.size() < 2 ||
            made->columns[1].name != "patient_ID")
            continue;
        std::erase_if(kept, [&](const auto& row) {
            const std::string& text = row.second;
            const size_t from = text.find('|') + 1;
            return !patients.count(std::stoll(text.substr(from, text.find('|', from) - from)));
        });
    }
    return rows;
}

void DamagedClinic::damage(const std::string& path, Damage damage) {
    switch (damage) {
    case Damage::PagesOverwritten:
        overwritePages(path);
        return;
    case Damage::PagesCycled:
        cyclePages(path);
        return;
    case Damage::CutShort:
        cutShort(path);
        return;
    case Damage::HeaderZeroed:
    case Damage::FirstPageZeroed: {
        std::vector<unsigned char> first = page(path, 1);
        std::fill_n(first.begin(), damage == Damage::HeaderZeroed ? 100 : m_pageSize, 0);
        write(path, 1, first);
        m_made = true;
        return;
    }
    }
}

// The middle leaf page of every table that has more than two, and of one index, whose loss
// costs no row, and the middle page above the leaves of one table, which loses the way to
// them but not their rows.
void DamagedClinic::overwritePages(const std::string& path) {
    std::vector<std::pair<long long, std::string>> pages; // and the table whose rows it held
    {
        const Reader file(path);
        std::map<std::string, std::vector<long long>> leaves;
        for (const auto& row : file.rows("SELECT name, pageno FROM dbstat WHERE pagetype = 'leaf'"
                                         " ORDER BY pageno"))
            leaves[row[0]].push_back(std::stoll(row[1]));
        const auto above = file.rows("SELECT pageno FROM dbstat WHERE name = 'complaints' AND"
                                     " pagetype = 'internal' ORDER BY pageno");
        if (!above.empty())
            pages.emplace_back(std::stoll(above[above.size() / 2][0]), "");
        for (const auto& [name, numbers] : leaves)
            if (numbers.size() > 2 && (m_stored.count(name) || name == "complaints_patient"))
                pages.emplace_back(numbers[numbers.size() / 2], m_stored.count(name) ? name : "");
    }
    m_made = pages.size() > 4;
    for (const auto& [page, table] : pages)
        damagePage(path, page, table);
}

// The middle page above the visits' leaves is made to lead only to itself, and of the leaves
// it led to, one is made to hold three rows no file can: one longer than the file and one of
// a few pages, whose overflow leads to a page that leads to itself, and one whose only value
// is of a kind that does not exist; the next is made that page.
void DamagedClinic::cyclePages(const std::string& path) {
    const auto above = Reader(path).rows("SELECT pageno FROM dbstat WHERE name = 'complaints' AND"
                                         " pagetype = 'internal' ORDER BY pageno");
    if (above.empty())
        return;
    const long long middle = std::stoll(above[above.size() / 2][0]);
    std::vector<unsigned char> bytes = page(path, middle);
    std::vector<long long> leaves{bigEndian(bytes, 8, 4)};
    putBigEndian(bytes, 8, middle, 4);
    for (long long cell = 0; cell < bigEndian(bytes, 3, 2); ++cell) {
        const size_t at = size_t(bigEndian(bytes, size_t(12 + 2 * cell), 2));
        leaves.push_back(bigEndian(bytes, at, 4));
        putBigEndian(bytes, at, middle, 4);
    }
    write(path, middle, bytes);

    if (leaves.size() < 3)
        return;
    const long long leaf = leaves[leaves.size() / 2], circle = leaves[leaves.size() / 2 + 1];
    std::vector<unsigned char> rows = page(path, circle);
    losePage(rows, "complaints");
    std::fill(rows.begin(), rows.end(), 0);
    putBigEndian(rows, 0, circle, 4);
    write(path, circle, rows);
    rows = page(path, leaf);
    losePage(rows, "complaints");
    std::fill(rows.begin(), rows.end(), 0);
    const unsigned long long usable = m_pageSize;
    const unsigned long long least = (usable - 12) * 32 / 255 - 23; // a long row's part here
    const unsigned long long spilled = least + usable - 5;          // beyond what it may keep here
    rows[0] = 0x0d;
    putBigEndian(rows, 3, 3, 2);
    const size_t cells[] = {200, 1200, 2000};
    putBigEndian(rows, 5, long(cells[0]), 2);
    const unsigned long long sizes[] = {spilled + (1ULL << 40) * (usable - 4),
                                        spilled + 3 * (usable - 4), 10};
    for (size_t cell = 0; cell < 3; ++cell) {
        putBigEndian(rows, 8 + 2 * cell, long(cells[cell]), 2);
        const size_t payload = putVarint(rows, putVarint(rows, cells[cell], sizes[cell]), cell + 1);
        if (cell < 2)
            putBigEndian(rows, payload + least, circle, 4);
        else { // the record's header: its length, then a serial type of -1
            rows[payload] = 10;
            std::fill_n(rows.begin() + long(payload) + 1, 9, 0xff);
        }
    }
    write(path, leaf, rows);
    m_made = true;
}

// Every page from the one the cut goes through on is lost, and with a leaf its rows.
void DamagedClinic::cutShort(const std::string& path) {
    const auto length = static_cast<long long>(std::filesystem::file_size(path));
    const long long kept = length * 56 / 100;
    const long long firstLost = kept / m_pageSize + 1;
    {
        const Reader file(path);
        for (const auto& row : file.rows("SELECT name, pageno, pagetype FROM dbstat"
                                         " WHERE pageno >= " +
                                         std::to_string(firstLost))) {
            if (!m_stored.count(row[0]))
                continue;
            if (row[2] == "overflow")
                m_lost["complaints"].insert(m_longVisit);
            else if (row[2] == "leaf")
                losePage(page(path, std::stoll(row[1])), row[0]);
        }
    }
    std::filesystem::resize_file(path, std::uintmax_t(kept));
    m_made = !m_lost.empty() && readable().at("patient_info").size() > 10;
}

// Notes the rowids a table's leaf page holds, then fills the page with random bytes.
void DamagedClinic::damagePage(const std::string& path, long long number,
                               const std::string& table) {
    std::vector<unsigned char> bytes = page(path, number);
    if (!table.empty())
        losePage(bytes, table);
    std::mt19937 random{static_cast<unsigned>(number)};
    for (auto& byte : bytes)
        byte = static_cast<unsigned char>(random());
    write(path, number, bytes);
}

void DamagedClinic::losePage(const std::vector<unsigned char>& bytes, const std::string& table) {
    const int cells = bytes[3] << 8 | bytes[4];
    for (int cell = 0; cell < cells; ++cell) {
        const unsigned char* at = &bytes[size_t(bytes[8 + 2 * cell] << 8 | bytes[9 + 2 * cell])];
        varint(at); // the payload's length
        m_lost[table].insert(varint(at));
    }
}

std::vector<unsigned char> DamagedClinic::page(const std::string& path, long long number) const {
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes(static_cast<size_t>(m_pageSize));
    file.seekg((number - 1) * m_pageSize);
    file.read(reinterpret_cast<char*>(bytes.data()), m_pageSize);
    return bytes;
}

void DamagedClinic::write(const std::string& path, long long number,
                          const std::vector<unsigned char>& bytes) const {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp((number - 1) * m_pageSize);
    file.write(reinterpret_cast<const char*>(bytes.data()), m_pageSize);
}

#include "DamagedClinic.h"

#include "records/MedoraTables.h"
#include "tools/ClinicGenerator.h"

#include <sqlite3.h>

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

} // namespace

DamagedClinic::DamagedClinic(const std::string& path) {
    if (!generateClinic(path, ClinicSize::forPatients(400), 7))
        return;
    m_stored = rowsOf(path);
    damage(path);
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

// The middle leaf page of every table that has more than two, and of one index, whose loss
// costs no row, and the middle page above the leaves of one table, which loses the way to
// them but not their rows.
void DamagedClinic::damage(const std::string& path) {
    std::vector<std::pair<long long, std::string>> pages; // and the table whose rows it held
    {
        const Reader file(path);
        m_pageSize = std::stoll(file.rows("PRAGMA page_size")[0][0]);
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

// Notes the rowids a table's leaf page holds, then fills the page with random bytes.
void DamagedClinic::damagePage(const std::string& path, long long page, const std::string& table) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<unsigned char> bytes(static_cast<size_t>(m_pageSize));
    file.seekg((page - 1) * m_pageSize);
    file.read(reinterpret_cast<char*>(bytes.data()), m_pageSize);
    if (!table.empty()) {
        const int cells = bytes[3] << 8 | bytes[4];
        for (int cell = 0; cell < cells; ++cell) {
            const unsigned char* at =
                &bytes[size_t(bytes[8 + 2 * cell] << 8 | bytes[9 + 2 * cell])];
            varint(at); // the payload's length
            m_lost[table].insert(varint(at));
        }
    }
    std::mt19937 random{static_cast<unsigned>(page)};
    for (auto& byte : bytes)
        byte = static_cast<unsigned char>(random());
    file.seekp((page - 1) * m_pageSize);
    file.write(reinterpret_cast<const char*>(bytes.data()), m_pageSize);
}

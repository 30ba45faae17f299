#pragma once

#include <map>
#include <set>
#include <string>

// A made-up clinic stored in a records file, some of whose pages in the middle are then
// overwritten with random bytes, and which of its rows those pages held.
class DamagedClinic {
public:
    // Every row of each table the records' copies carry, by rowid, each as its columns' text.
    using Rows = std::map<std::string, std::map<long long, std::string>>;

    // Fills the records file at path (a copy of the empty database) and damages it.
    explicit DamagedClinic(const std::string& path);

    static Rows rowsOf(const std::string& path);
    // What was stored, less the rows of the overwritten pages and the rows of the patients
    // they held, which are kept only with their patient.
    Rows readable() const;
    const Rows& stored() const { return m_stored; }
    bool made() const { return m_made; }

private:
    void damage(const std::string& path);
    // table: whose rows the page held, if any
    void damagePage(const std::string& path, long long page, const std::string& table);

    Rows m_stored;
    std::map<std::string, std::set<long long>> m_lost;
    long long m_pageSize = 0;
    bool m_made = false;
};

#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

// A made-up clinic stored in a records file, one of whose visits overflows its page and which
// gave patients numbers past its last, which is then damaged, and which of its rows the
// damaged pages held.
class DamagedClinic {
public:
    // Every row of each table the records' copies carry, by rowid, each as its columns' text.
    using Rows = std::map<std::string, std::map<long long, std::string>>;

    enum class Damage {
        // Some pages in the middle overwritten with random bytes.
        PagesOverwritten,
        // A page above the leaves of a table leads to itself, and one of the leaves it led to
        // holds rows whose overflow leads round in a circle or whose values cannot be.
        PagesCycled,
        CutShort,        // the file cut to 56 % of its length
        HeaderZeroed,    // its first 100 bytes
        FirstPageZeroed, // the header and the schema
    };

    // Fills the records file at path (a copy of the empty database) and damages it.
    explicit DamagedClinic(const std::string& path, Damage damage = Damage::PagesOverwritten);

    static Rows rowsOf(const std::string& path);
    // What was stored, less the rows of the overwritten pages and the rows of the patients
    // they held, which are kept only with their patient.
    Rows readable() const;
    const Rows& stored() const { return m_stored; }
    // The largest number the records gave a patient, more than any patient kept has.
    long long largestPatientGiven() const { return m_largestPatientGiven; }
    bool made() const { return m_made; }

private:
    bool alter(const std::string& path);
    void damage(const std::string& path, Damage damage);
    void overwritePages(const std::string& path);
    void cyclePages(const std::string& path);
    void cutShort(const std::string& path);
    // table: whose rows the page held, if any
    void damagePage(const std::string& path, long long page, const std::string& table);
    // Notes the rowids the table's leaf page holds as lost.
    void losePage(const std::vector<unsigned char>& bytes, const std::string& table);
    std::vector<unsigned char> page(const std::string& path, long long number) const;
    void write(const std::string& path, long long number,
               const std::vector<unsigned char>& bytes) const;

    Rows m_stored;
    std::map<std::string, std::set<long long>> m_lost;
    long long m_pageSize = 0;
    long long m_longVisit = 0; // the one row with overflow pages
    long long m_largestPatientGiven = 0;
    bool m_made = false;
};

#pragma once

#include <optional>
#include <string>
#include <vector>

// One entry of the audit trail as its table holds it.
struct AuditEntry {
    long long id = 0;
    std::string timeUtc;
    std::string timeLocal;
    std::string user;
    std::string desk;
    std::string action;
    std::string table;
    std::string record;
    std::string patient; // empty when the row belongs to no patient
    std::string details;
    std::string previousHash;
    std::string hash;
};

// The hash chain of the audit trail. Each entry's hash is the SHA-256, in lowercase hex, of
// the hash before it (64 zeros for the first entry) and a line break, followed by each of its
// fields in the order of the table, each escaped (a backslash as two, a line break as a
// backslash and "n") and followed by a line break. The file's trail (store/FileAuditTrail)
// hashes its entries here; the server's triggers write the same form in SQL; the check reads
// both back here.
class AuditChain {
public:
    static const std::string kFirstPrevious;

    // Where the chain is broken: the entry first found wrong, and how.
    struct Break {
        long long entry;
        std::string why;
    };

    // The chain checked one entry at a time, given in the order of their numbers, so that a
    // trail of millions of entries need not be held whole.
    class Walk {
    public:
        // The break this entry makes, if any; after a break the walk is over.
        std::optional<Break> next(const AuditEntry& entry);
        long long entries() const { return m_entries; }
        // The last entry's hash, or kFirstPrevious before the first.
        const std::string& lastHash() const { return m_previous; }

    private:
        std::string m_previous = kFirstPrevious;
        long long m_lastId = 0;
        long long m_entries = 0;
    };

    static std::string canonical(const AuditEntry& entry);
    static std::string hashOf(const AuditEntry& entry);
    // The first break of the entries, given in the order of their numbers.
    static std::optional<Break> firstBreak(const std::vector<AuditEntry>& entries);
    // Where the trail stops beginning with an earlier copy of itself, both in order: the
    // entries of a backup are all still there, the same, before any added since.
    static std::optional<Break> departure(const std::vector<AuditEntry>& trail,
                                          const std::vector<AuditEntry>& earlier);
};

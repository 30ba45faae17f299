#include "store/AuditChain.h"

#include <sodium.h>

#include <stdexcept>

const std::string AuditChain::kFirstPrevious(64, '0');

namespace {

void appendField(std::string& form, const std::string& field) {
    for (const char c : field) {
        if (c == '\\')
            form += "\\\\";
        else if (c == '\n')
            form += "\\n";
        else
            form += c;
    }
    form += '\n';
}

std::string numbered(long long entry) {
    return "entry " + std::to_string(entry);
}

} // namespace

std::string AuditChain::canonical(const AuditEntry& entry) {
    std::string form = entry.previousHash + '\n';
    for (const std::string* field :
         {&entry.timeUtc, &entry.timeLocal, &entry.user, &entry.desk, &entry.action, &entry.table,
          &entry.record, &entry.patient, &entry.details})
        appendField(form, *field);
    return form;
}

std::string AuditChain::hashOf(const AuditEntry& entry) {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not start");
    const std::string form = canonical(entry);
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(form.data()), form.size());
    char hex[2 * crypto_hash_sha256_BYTES + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

std::optional<AuditChain::Break> AuditChain::Walk::next(const AuditEntry& entry) {
    if (entry.id <= m_lastId)
        return Break{entry.id, numbered(entry.id) + " is out of order"};
    if (entry.previousHash != m_previous)
        return Break{entry.id, numbered(entry.id) +
                                   " does not follow the entry before it: an entry before it"
                                   " was removed or the entries were reordered"};
    if (hashOf(entry) != entry.hash)
        return Break{entry.id, numbered(entry.id) + " was changed after it was entered"};
    m_previous = entry.hash;
    m_lastId = entry.id;
    ++m_entries;
    return std::nullopt;
}

std::optional<AuditChain::Break> AuditChain::firstBreak(const std::vector<AuditEntry>& entries) {
    Walk walk;
    for (const AuditEntry& entry : entries)
        if (auto broken = walk.next(entry))
            return broken;
    return std::nullopt;
}

std::optional<AuditChain::Break> AuditChain::departure(const std::vector<AuditEntry>& trail,
                                                       const std::vector<AuditEntry>& earlier) {
    for (size_t i = 0; i < earlier.size(); ++i) {
        const AuditEntry& kept = earlier[i];
        if (i >= trail.size())
            return Break{kept.id, numbered(kept.id) +
                                      " of the backup, and those after it, are no longer in the"
                                      " trail"};
        if (trail[i].id != kept.id || trail[i].hash != kept.hash)
            return Break{kept.id, numbered(kept.id) + " of the backup is not the trail's " +
                                      numbered(trail[i].id) +
                                      ": the trail was changed or made anew since the backup"};
    }
    return std::nullopt;
}

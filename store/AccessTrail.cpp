#include "store/AccessTrail.h"

#include "store/Database.h"

#include <nlohmann/json.hpp>

namespace {

const std::pair<Access, const char*> kWords[] = {
    {Access::Open, "open"},       {Access::Print, "print"},
    {Access::Preview, "preview"}, {Access::Export, "export"},
    {Access::Search, "search"},   {Access::Backup, "backup"},
    {Access::Restore, "restore"}, {Access::Rescue, "rescue"},
    {Access::Import, "import"},   {Access::SignIn, "sign-in"},
    {Access::SignInFailed, "sign-in-failed"}, {Access::SignOut, "sign-out"},
    {Access::Lock, "lock"},       {Access::Unlock, "unlock"},
    {Access::Rights, "rights"},
};

std::string detailsJson(const AccessTrail::Entry& entry) {
    nlohmann::ordered_json details = nlohmann::ordered_json::object();
    for (const auto& [name, value] : entry.details)
        details[name] = value;
    return details.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

const char* AccessTrail::word(Access access) {
    for (const auto& [known, word] : kWords)
        if (known == access)
            return word;
    return "";
}

const std::vector<Access>& AccessTrail::all() {
    static const std::vector<Access> accesses = [] {
        std::vector<Access> listed;
        for (const auto& [access, word] : kWords)
            listed.push_back(access);
        return listed;
    }();
    return accesses;
}

namespace {

bool enterThrough(Database& db, const AccessTrail::Entry& entry) {
    // Patients' numbers start at 1: none is bound as 0.
    db.prepare("INSERT INTO medora_access (action, table_name, record_id, patient_id,"
               " details) VALUES (?, ?, ?, NULLIF(?, 0), ?)")
        .bind(1, std::string(AccessTrail::word(entry.access)))
        .bind(2, entry.table)
        .bind(3, entry.record)
        .bind(4, entry.patient.value_or(0))
        .bind(5, detailsJson(entry))
        .run();
    return true;
}

} // namespace

bool AccessTrail::enter(const Entry& entry) {
    return Database::run([&](Database& db) { return enterThrough(db, entry); });
}

bool AccessTrail::enterOn(Engine& engine, const Entry& entry) {
    return Database::runOn(engine, [&](Database& db) { return enterThrough(db, entry); });
}

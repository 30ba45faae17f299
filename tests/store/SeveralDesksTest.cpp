#include "DeskMix.h"
#include "TestDatabase.h"

#include "store/AuditChain.h"
#include "records/AuditTrail.h"
#include "store/store.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>

using Entries = std::vector<DeskMix::Entry>;

namespace {

// How long the desks work: MEDORA_TEST_DESKS_SECONDS, 30 s unless set.
std::chrono::milliseconds workingTime()
{
    const char* seconds = std::getenv("MEDORA_TEST_DESKS_SECONDS");
    const double length = seconds != nullptr && *seconds != '\0' ? std::atof(seconds) : 30;
    return std::chrono::milliseconds(static_cast<long long>(length * 1000));
}

bool succeeded(const DeskMix::Entry& entry, const char* operation)
{
    return entry.failure == FailureKind::None && entry.operation == operation;
}

// Rows of a query keyed by their first column, the rest joined with '|'.
std::map<std::string, std::string> keyed(const std::vector<std::string>& rows)
{
    std::map<std::string, std::string> byKey;
    for (const std::string& row : rows) {
        const size_t bar = row.find('|');
        byKey[row.substr(0, bar)] = row.substr(bar + 1);
    }
    return byKey;
}

template <typename Keys> bool noneTwice(Keys keys)
{
    std::sort(keys.begin(), keys.end());
    return std::adjacent_find(keys.begin(), keys.end()) == keys.end();
}

} // namespace

// Several desks of a clinic work on the same records at full speed, the file's two programs or
// a server's eight desks, adding, changing and removing patients, visits and history all at
// once; afterwards the records hold exactly what each desk was told it saved.
class SeveralDesksTest : public StoreTest
{
protected:
    int desks() const { return onServer() ? 8 : 2; }
    // Adds the patients the desks start from; gives the highest number.
    long long seedPatients(int count);
    bool deletedBefore(const std::string& patient, long long us) const;

    void gatherDeletes(const Entries& entries);
    void expectOnlyRefusals(const Entries& entries);
    void expectPatients(const Entries& entries);
    void expectVisits(const Entries& entries);
    void expectHistory(const Entries& entries);
    void expectEveryChangeSavedOnce(const Entries& entries);
    void expectNothingLeftOfDeletedPatients();

    std::vector<std::string> m_seeds;
    // Each patient's telephone number as added.
    std::map<std::string, std::string> m_firstTelephone;
    // Each patient removed, with when its removal started.
    std::map<std::string, long long> m_deletedAt;
};

ON_BOTH_ENGINES(SeveralDesksTest);

long long SeveralDesksTest::seedPatients(int count)
{
    long long highest = 0;
    for (int i = 0; i < count; ++i) {
        const std::string telephone = "seed" + std::to_string(i);
        PatientRecord record;
        EXPECT_TRUE(
            record.Add("Seed", "Patient", DateTime::fromCivil(1975, 1, 1), 0, "", telephone));
        m_seeds.push_back(record.m_id);
        m_firstTelephone[record.m_id] = telephone;
        highest = std::max(highest, std::stoll(record.m_id));
    }
    return highest;
}

bool SeveralDesksTest::deletedBefore(const std::string& patient, long long us) const
{
    const auto deleted = m_deletedAt.find(patient);
    return deleted != m_deletedAt.end() && deleted->second < us;
}

void SeveralDesksTest::gatherDeletes(const Entries& entries)
{
    for (const DeskMix::Entry& entry : entries) {
        const bool removed = succeeded(entry, "PatientRecord::DeleteWithRecords");
        EXPECT_TRUE(!removed || m_deletedAt.emplace(entry.patient, entry.startUs).second)
            << "patient " << entry.patient << " removed twice";
        if (succeeded(entry, "PatientRecord::Add"))
            m_firstTelephone[entry.patient] = entry.values.at(1);
    }
}

// A desk may be refused a save over details changed at another desk, or work on a patient that
// another desk removed; nothing else fails, and no desk misses a patient saved before it looked.
void SeveralDesksTest::expectOnlyRefusals(const Entries& entries)
{
    std::map<std::string, long long> addedAt;
    for (const DeskMix::Entry& entry : entries)
        if (succeeded(entry, "PatientRecord::Add"))
            addedAt[entry.patient] = entry.endUs;
    for (const DeskMix::Entry& entry : entries) {
        const bool goneFirst = deletedBefore(entry.patient, entry.endUs);
        if (entry.failure == FailureKind::None) {
            const auto added = addedAt.find(entry.patient);
            EXPECT_FALSE(entry.operation == "PatientNameList::FetchByID" &&
                         entry.values.at(0) == "missing" && added != addedAt.end() &&
                         added->second < entry.startUs && !goneFirst)
                << "a desk did not find patient " << entry.patient;
            continue;
        }
        const bool refused = (entry.failure == FailureKind::ChangedElsewhere &&
                              entry.operation == "PatientRecord::UpdateUnlessChanged") ||
                             (entry.failure == FailureKind::NoSuchRecord && goneFirst);
        EXPECT_TRUE(refused) << entry.operation << " for patient " << entry.patient
                             << " failed, kind " << static_cast<int>(entry.failure);
    }
}

void SeveralDesksTest::expectPatients(const Entries& entries)
{
    std::vector<std::string> keys = m_seeds;
    const auto rows = keyed(query("SELECT ID, first_name FROM patient_info"));
    size_t kept = 0;
    for (const DeskMix::Entry& entry : entries) {
        if (!succeeded(entry, "PatientRecord::Add"))
            continue;
        keys.push_back(entry.patient);
        const auto row = rows.find(entry.patient);
        if (m_deletedAt.count(entry.patient) != 0) {
            EXPECT_TRUE(row == rows.end()) << "removed patient " << entry.patient << " is there";
            continue;
        }
        ++kept;
        ASSERT_TRUE(row != rows.end()) << "patient " << entry.patient << " is missing";
        EXPECT_EQ(row->second, entry.values.at(0));
    }
    EXPECT_TRUE(noneTwice(keys)) << "a patient number was given twice";
    const size_t seedsKept = std::count_if(m_seeds.begin(), m_seeds.end(), [&](const auto& seed) {
        return m_deletedAt.count(seed) == 0;
    });
    EXPECT_EQ(rows.size(), kept + seedsKept) << "patients no desk added";
}

void SeveralDesksTest::expectVisits(const Entries& entries)
{
    std::set<std::string> removed;
    for (const DeskMix::Entry& entry : entries)
        if (succeeded(entry, "ComplaintRecord::Delete"))
            removed.insert(entry.values.at(0));
    const auto rows = keyed(query("SELECT compl_ID, patient_ID, treatment FROM complaints"));
    std::vector<std::string> keys;
    size_t kept = 0;
    for (const DeskMix::Entry& entry : entries) {
        if (!succeeded(entry, "ComplaintRecord::Add"))
            continue;
        const std::string& visit = entry.values.at(0);
        keys.push_back(visit);
        const auto row = rows.find(visit);
        if (removed.count(visit) != 0 || m_deletedAt.count(entry.patient) != 0) {
            EXPECT_TRUE(row == rows.end()) << "removed visit " << visit << " is there";
            continue;
        }
        ++kept;
        ASSERT_TRUE(row != rows.end()) << "visit " << visit << " is missing";
        EXPECT_EQ(row->second, entry.patient + "|" + entry.values.at(1));
    }
    EXPECT_TRUE(noneTwice(keys)) << "a visit number was given twice";
    EXPECT_EQ(rows.size(), kept) << "visits no desk added";
}

void SeveralDesksTest::expectHistory(const Entries& entries)
{
    std::vector<std::string> rows = query("SELECT patient_ID, entry_details FROM history_entries");
    std::vector<std::string> saved;
    for (const DeskMix::Entry& entry : entries)
        if (succeeded(entry, "HistoryEntryRecord::Add") && m_deletedAt.count(entry.patient) == 0)
            saved.push_back(entry.patient + "|" + entry.values.at(0));
    std::sort(rows.begin(), rows.end());
    std::sort(saved.begin(), saved.end());
    EXPECT_TRUE(rows == saved) << rows.size() << " history entries where " << saved.size()
                               << " were saved and kept";
}

// Every save that went through started from the details the one before it saved, so the saves
// of each patient make one chain from its first telephone number to the one it holds now: a
// save that undid another one unseen would start a second branch.
void SeveralDesksTest::expectEveryChangeSavedOnce(const Entries& entries)
{
    std::map<std::string, std::map<std::string, std::string>> nextTelephone;
    for (const DeskMix::Entry& entry : entries) {
        if (!succeeded(entry, "PatientRecord::UpdateUnlessChanged"))
            continue;
        const bool first =
            nextTelephone[entry.patient].emplace(entry.values.at(0), entry.values.at(1)).second;
        EXPECT_TRUE(first) << "two saves over the same details of patient " << entry.patient;
    }
    const auto held = keyed(query("SELECT ID, telephone FROM patient_info"));
    for (const auto& [patient, first] : m_firstTelephone) {
        const auto& chain = nextTelephone[patient];
        std::string telephone = first;
        size_t steps = 0;
        for (auto next = chain.find(telephone); next != chain.end() && steps <= chain.size();
             next = chain.find(telephone), ++steps)
            telephone = next->second;
        EXPECT_EQ(steps, chain.size()) << "saves of patient " << patient << " lost";
        if (m_deletedAt.count(patient) == 0) {
            EXPECT_EQ(held.at(patient), telephone) << "patient " << patient;
        }
    }
}

void SeveralDesksTest::expectNothingLeftOfDeletedPatients()
{
    for (const char* table : {"complaints", "history_entries", "tests", "patient_medications"})
        EXPECT_EQ(count(table, "patient_ID NOT IN (SELECT ID FROM patient_info)"), 0) << table;
}

TEST_P(SeveralDesksTest, EveryOperationThatReturnedTrueIsThereAndNothingElse)
{
    const long long highest = seedPatients(20);
    ASSERT_TRUE(DeskMix::runDesks(desks(), workingTime(), highest, m_dir.string()));
    const Entries entries = DeskMix::readLogs(desks(), m_dir.string());

    gatherDeletes(entries);
    expectOnlyRefusals(entries);
    expectPatients(entries);
    expectVisits(entries);
    expectHistory(entries);
    expectEveryChangeSavedOnce(entries);
    expectNothingLeftOfDeletedPatients();
    const auto broken = AuditChain::firstBreak(onServer()
                                                   ? AuditTrail::ofServer(serverConnection("postgres"))
                                                   : AuditTrail::ofFile("clinic_db.mdb"));
    EXPECT_FALSE(broken) << "the desks forked the audit trail: " << broken->why;

    std::map<std::string, int> done;
    int refused = 0;
    for (const DeskMix::Entry& entry : entries) {
        done[entry.operation] += entry.failure == FailureKind::None;
        refused += entry.failure == FailureKind::ChangedElsewhere;
    }
    EXPECT_EQ(done.size(), 9u) << "some kind of operation never ran";
    for (const auto& [operation, times] : done)
        EXPECT_GT(times, 0) << operation << " never went through";
    std::cout << desks() << " desks, " << entries.size() << " operations, " << refused
              << " saves refused as changed elsewhere, " << m_deletedAt.size()
              << " patients removed\n";
}

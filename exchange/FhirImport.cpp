#include "exchange/FhirImport.h"

#include "exchange/FhirMapping.h"
#include "exchange/FhirRefusal.h"
#include "exchange/FhirRules.h"
#include "exchange/FhirSource.h"
#include "store/Database.h"
#include "store/ImportedRecords.h"
#include "store/LastFailure.h"

#include <algorithm>
#include <new>
#include <unordered_map>
#include <unordered_set>

using Json = nlohmann::json;
using Row = FhirMapping::Row;
using Target = FhirMapping::Target;
using Place = FhirSource::Place;

namespace {

// The table a row of that target goes to; TableCount for a visit's text, which has no row of
// its own.
ImportedRecords::Table tableOf(Target target) {
    switch (target) {
    case Target::Patient:
        return ImportedRecords::Patients;
    case Target::Visit:
        return ImportedRecords::Visits;
    case Target::History:
        return ImportedRecords::History;
    case Target::Medication:
        return ImportedRecords::Medications;
    case Target::Test:
        return ImportedRecords::Tests;
    default:
        return ImportedRecords::TableCount;
    }
}

// The resources in the order they are written: the patients, then the visits, then what
// refers to them.
const std::function<bool(const std::string&)> kPhases[] = {
    [](const std::string& type) { return type == "Patient"; },
    [](const std::string& type) { return type == "Encounter"; },
    [](const std::string& type) { return type != "Patient" && type != "Encounter"; },
};

class Importer {
public:
    Importer(const std::string& path, const FhirImport::Progress& progress)
        : m_source(path), m_progress(progress) {}

    // Reads the whole input through, refusing it (FhirRefusal) at the first resource that
    // breaks the rules; false when cancelled.
    bool check() {
        const auto all = [](const std::string&) { return true; };
        return m_source.each(all, [this](const Json& r, const Place& place) {
            return checkOne(r, place) && (!m_progress || m_progress(m_total, 0));
        });
    }

    // Writes every resource's rows through `db`; false when cancelled. Run again from the
    // start when the engine runs the transaction again.
    bool write(Database& db) {
        ImportedRecords rows(db);
        m_report = FhirImport::Report();
        m_patientRows.clear();
        m_visitRows.clear();
        m_done = 0;
        const bool keep = keysKept(rows);
        m_report.numbersKept = keep && !m_keys[ImportedRecords::Patients].empty();
        for (const auto& phase : kPhases)
            if (!m_source.each(phase, [&](const Json& r, const Place& place) {
                    writeOne(rows, r, place, keep);
                    return !m_progress || m_progress(++m_done, m_total);
                }))
                return false;
        rows.finish();
        if (keep)
            for (int t = 0; t < ImportedRecords::TableCount; ++t)
                if (!m_keys[t].empty())
                    rows.keysGivenUpTo(ImportedRecords::Table(t), m_keys[t].back());
        return true;
    }

    const FhirImport::Report& report() const { return m_report; }

private:
    std::string resolve(const std::string& reference) const {
        const auto alias = m_source.fullUrls().find(reference);
        return alias != m_source.fullUrls().end() ? alias->second : FhirRules::target(reference);
    }

    Row rowOf(const Json& r) const {
        return FhirMapping::rowOf(r, [this](const std::string& ref) { return resolve(ref); });
    }

    [[noreturn]] static void refuse(const Json& r, const Place& place, const std::string& why) {
        const auto id = r.find("id");
        const std::string name = FhirSource::typeOf(r) + (id != r.end() ? " " + id->dump() : "");
        throw FhirRefusal(place.describe() + ": the " + name + " " + why + ".");
    }

    bool checkOne(const Json& r, const Place& place) {
        ++m_total;
        if (const std::string why = FhirRules::problem(r); !why.empty())
            refuse(r, place, "breaks FHIR R4's rules: " + why);
        const std::string type = FhirSource::typeOf(r);
        const std::string name = FhirSource::nameOf(r, place);
        if (type == "Patient" || type == "Encounter") {
            auto& names = type == "Patient" ? m_patients : m_encounters;
            if (name.size() > type.size() + 1 && !names.insert(name).second)
                refuse(r, place, "appears twice in the input");
        }
        if (!m_ownKeys)
            return true;
        const Row row = rowOf(r);
        if (const ImportedRecords::Table table = tableOf(row.target);
            table != ImportedRecords::TableCount) {
            if (row.key == 0)
                m_ownKeys = false;
            else
                m_keys[table].push_back(row.key);
        }
        return true;
    }

    // The input's own numbers are kept only when it is an export of Medora's own, every number
    // in each table given once, into records without a patient's rows whose tables never gave
    // any of those numbers.
    bool keysKept(ImportedRecords& rows) {
        if (!m_ownKeys || !rows.holdNone())
            return false;
        for (int t = 0; t < ImportedRecords::TableCount; ++t) {
            std::vector<long long>& keys = m_keys[t];
            std::sort(keys.begin(), keys.end());
            if (std::adjacent_find(keys.begin(), keys.end()) != keys.end() ||
                (!keys.empty() && keys.front() <= rows.highestKeyGiven(ImportedRecords::Table(t))))
                return false;
        }
        return true;
    }

    void writeOne(ImportedRecords& rows, const Json& r, const Place& place, bool keep) {
        const Row row = rowOf(r);
        FhirImport::Count& count = m_report.types[FhirSource::typeOf(r)];
        if (row.target == Target::None) {
            ++count.notHeld;
            return;
        }
        const long long key = keep ? row.key : 0;
        if (row.target == Target::Patient) {
            addPatient(rows, r, place, row, key);
        } else {
            const auto patient = m_patientRows.find(row.patient);
            if (patient == m_patientRows.end())
                refuse(r, place, "refers to " + row.patient + ", which is not in the input");
            long long visit = 0;
            if (!row.encounter.empty()) {
                if (!m_encounters.contains(row.encounter))
                    refuse(r, place, "refers to " + row.encounter + ", which is not in the input");
                const auto held = m_visitRows.find(row.encounter);
                if (held == m_visitRows.end()) {
                    ++count.notHeld;
                    return;
                }
                visit = held->second;
            }
            addRow(rows, r, place, row, patient->second, visit, key);
        }
        ++count.taken;
        count.partsLeft += row.partsLeft;
    }

    void addPatient(ImportedRecords& rows, const Json& r, const Place& place, const Row& row,
                    long long key) {
        const long long added = rows.addPatient(row.details, key);
        const std::string name = FhirSource::nameOf(r, place);
        m_patientRows[name] = added;
        ++m_report.patients;
        const std::string as = name + " came in as record number " + std::to_string(added);
        for (const std::string& identifier : row.identifiers)
            m_report.notes.push_back(as + ", which was known by the identifier " + identifier);
        if (!row.dated)
            m_report.notes.push_back(as + " without a date of birth, which Medora shows as " +
                                     row.details.m_dob.toIso().substr(0, 10));
    }

    void addRow(ImportedRecords& rows, const Json& r, const Place& place, const Row& row,
                long long patient, long long visit, long long key) {
        switch (row.target) {
        case Target::Visit:
            m_visitRows[FhirSource::nameOf(r, place)] =
                rows.addVisit(patient, row.date, row.text, key);
            break;
        case Target::VisitText:
            rows.addToVisit(visit, row.field, row.text);
            break;
        case Target::History:
            rows.addHistory(patient, row.kind, row.text, key);
            break;
        case Target::Medication:
            rows.addMedication(patient, row.text, row.second, key);
            break;
        case Target::Test:
            rows.addTest(patient, row.date, row.text, row.second, key);
            break;
        default:
            break;
        }
    }

    FhirSource m_source;
    const FhirImport::Progress& m_progress;
    long long m_total = 0;
    std::unordered_set<std::string> m_patients;
    std::unordered_set<std::string> m_encounters;
    // The numbers of the rows the input was written from, by table, while every row's is.
    std::vector<long long> m_keys[ImportedRecords::TableCount];
    bool m_ownKeys = true;

    FhirImport::Report m_report;
    std::unordered_map<std::string, long long> m_patientRows;
    std::unordered_map<std::string, long long> m_visitRows;
    long long m_done = 0;
};

} // namespace

FhirImport::Outcome FhirImport::run(const std::string& path, const Progress& progress) {
    Outcome outcome;
    const auto ended = [&](Outcome::Kind kind, const std::string& message) {
        outcome.kind = kind;
        outcome.message = message;
        return outcome;
    };
    try {
        Importer importer(path, progress);
        if (!importer.check())
            return ended(Outcome::Cancelled, "The import was cancelled; nothing was written.");
        bool cancelled = false;
        const bool done = Database::runWhole([&](Database& db) {
            cancelled = !importer.write(db);
            return !cancelled;
        });
        if (cancelled)
            return ended(Outcome::Cancelled, "The import was cancelled; nothing was written.");
        if (!done) {
            const std::string why = LastFailure::message();
            return ended(Outcome::Failed,
                         (why.empty() ? "The records could not be written." : why) +
                             " Nothing was imported.");
        }
        outcome.report = importer.report();
        return outcome;
    } catch (const FhirRefusal& refusal) {
        return ended(Outcome::Refused, std::string(refusal.what()) + " Nothing was imported.");
    } catch (const std::bad_alloc&) {
        return ended(Outcome::Failed,
                     "There was not enough memory to read " + path + ". Nothing was imported.");
    }
}

std::string FhirImport::Report::describe() const {
    std::string text = std::to_string(patients) + (patients == 1 ? " patient" : " patients") +
                       " added" +
                       (numbersKept ? ", with the record numbers and row numbers of the input.\n"
                                    : ", each with a new record number.\n");
    for (const auto& [type, count] : types)
        text += "  " + type + ": " + std::to_string(count.taken) + " taken, " +
                std::to_string(count.notHeld) + " not held, " + std::to_string(count.partsLeft) +
                " further elements not held\n";
    for (const std::string& note : notes)
        text += "Note: " + note + "\n";
    return text;
}

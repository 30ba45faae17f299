#include "tools/ClinicGenerator.h"

#include "store/DateTime.h"
#include "store/VisitStatements.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <random>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

const char* const firstNames[] = {"James", "Mary", "José", "Fatima", "Wei", "Anna", "Mohammed",
                                  "Olga", "Kwame", "Priya", "Liam", "Sofia", "Hiroshi", "Ngozi",
                                  "Élodie", "Ahmed", "Chen", "Maria", "David", "Aisha"};
const char* const lastNames[] = {"Smith", "Núñez", "Khan", "Li", "Okafor", "Müller", "García",
                                 "Nguyen", "Kowalski", "Haddad", "Brown", "Silva", "Tanaka",
                                 "Ivanova", "O'Brien", "Patel", "Mensah", "Rossi", "Dubois", "Kim"};
const char* const streets[] = {"Main St", "Oak Avenue", "Rue Sainte-Catherine", "King Road",
                               "Elm Drive", "Harbour View", "Station Lane", "Maple Crescent"};
const char* const words[] = {
    "pain",     "mild",      "severe",  "chronic",   "acute",    "left",     "right",
    "bilateral", "no",       "history", "of",        "with",     "noted",    "normal",
    "tender",   "swelling",  "fever",   "cough",     "for",      "days",     "weeks",
    "since",    "morning",   "night",   "worse",     "better",   "after",    "meals",
    "exertion", "clear",     "breath",  "sounds",    "murmur",   "rash",     "intact",
    "reflexes", "follow-up", "advised", "rest",      "fluids",   "review",   "in",
    "two",      "weeks",     "refer",   "to",        "specialist", "abdominal", "headache",
    "dizziness", "nausea",   "vomiting", "fatigue",  "stable",   "improving", "tablets"};
const char* const entryTypes[] = {"Medical", "Surgical", "Social", "Family", "Allergies"};
const char* const statuses[] = {"New Chronic", "Old Chronic", "Temporary"};
const char* const syllables[] = {"AM", "OX", "CIL", "LIN", "PRO", "FEN", "MET", "FOR", "MIN",
                                 "ATO", "VAS", "TAT", "IN", "SAL", "BU", "TA", "MOL", "CET",
                                 "IRI", "ZINE", "PAN", "TO", "PRA", "ZOL", "DOX", "CY"};

class Generator
{
public:
    Generator(sqlite3* db, unsigned seed)
        : m_db(db), m_random(seed), m_today(std::floor(DateTime::currentLocal().days())) {}

    void fill(const ClinicSize& size);

private:
    int number(int low, int high) { return std::uniform_int_distribution(low, high)(m_random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_random); }
    template <typename T, size_t N>
    const T& pick(const T (&items)[N]) { return items[number(0, static_cast<int>(N) - 1)]; }

    std::string sentence(int minLength, int maxLength);
    std::string uniqueName(std::set<std::string>& taken, bool withStrength);
    std::string sampleText(size_t field);
    DateTime birthDay();
    DateTime dayInLifeOf(int patient);

    void patients(int count);
    void visits(int count, int patients);
    void history(int count, int patients);
    void medications(int count, int patients, const std::vector<std::string>& names);
    void tests(int count, int patients, const std::vector<std::string>& types);
    std::vector<std::string> nameList(const char* table, int count, bool withStrength);

    void exec(const char* sql);
    sqlite3_stmt* prepare(const char* sql);
    void bind(sqlite3_stmt* statement, int index, const std::string& text);
    void finish(sqlite3_stmt* statement);

    sqlite3* m_db;
    std::mt19937 m_random;
    double m_today;
    std::vector<double> m_births; // of patient 1, 2, ... as days
};

void Generator::fill(const ClinicSize& size)
{
    exec("BEGIN");
    patients(size.patients);
    const std::vector<std::string> medicationNames =
        nameList("meds_list", size.medicationNames, true);
    const std::vector<std::string> testTypes = nameList("tests_list", size.testTypes, false);
    visits(size.visits, size.patients);
    history(size.historyEntries, size.patients);
    medications(size.medications, size.patients, medicationNames);
    tests(size.tests, size.patients, testTypes);
    exec("COMMIT");
}

std::string Generator::sentence(int minLength, int maxLength)
{
    const size_t target = static_cast<size_t>(number(minLength, maxLength));
    std::string text;
    while (text.size() < target)
        text += (text.empty() ? "" : " ") + std::string(pick(words));
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text + ".";
}

std::string Generator::uniqueName(std::set<std::string>& taken, bool withStrength)
{
    for (;;) {
        std::string name;
        for (int i = number(2, 4); i > 0; --i)
            name += pick(syllables);
        if (withStrength)
            name += " " + std::to_string(number(1, 100) * 5) + "MG";
        if (taken.insert(name).second)
            return name;
    }
}

// Patients of every age up to 95, none born after today.
DateTime Generator::birthDay()
{
    const DateTime day(m_today - number(0, 95 * 365));
    m_births.push_back(day.days());
    return day;
}

// A day of the last fourteen years in clinic hours, never before the patient was born nor
// after today.
DateTime Generator::dayInLifeOf(int patient)
{
    const double first = std::max(m_births[static_cast<size_t>(patient - 1)], m_today - 14 * 365);
    const int day = number(0, static_cast<int>(m_today - first));
    return DateTime(first + day + number(8 * 60, 17 * 60 + 59) / (24.0 * 60));
}

void Generator::patients(int count)
{
    sqlite3_stmt* insert = prepare("INSERT INTO patient_info (first_name, last_name, DOB, Gender,"
                                   " address, telephone) VALUES (?, ?, ?, ?, ?, ?)");
    for (int i = 0; i < count; ++i) {
        bind(insert, 1, pick(firstNames));
        bind(insert, 2, pick(lastNames));
        bind(insert, 3, birthDay().toIso());
        sqlite3_bind_int(insert, 4, number(0, 1));
        bind(insert, 5, std::to_string(number(1, 9999)) + " " + pick(streets) + "\nApt " +
                            std::to_string(number(1, 300)) + "\nSpringfield");
        bind(insert, 6, "555-" + std::to_string(number(1000, 9999)));
        finish(insert);
    }
    sqlite3_finalize(insert);
}

void Generator::visits(int count, int patients)
{
    sqlite3_stmt* insert = prepare(VisitStatements::insert().c_str());
    for (int i = 0; i < count; ++i) {
        const int patient = number(1, patients);
        sqlite3_bind_int(insert, 1, patient);
        bind(insert, 2, dayInLifeOf(patient).toIso());
        for (size_t field = 0; field < kVisitTextCount; ++field)
            bind(insert, 3 + static_cast<int>(field), sampleText(field));
        finish(insert);
    }
    sqlite3_finalize(insert);
}

// Usual values for the fields a clinic fills at every visit; any other field a few words now
// and then, or a value in its plausible range.
std::string Generator::sampleText(size_t field)
{
    switch (field) {
    case visitText("complaint"):
        return sentence(15, 80);
    case visitText("temp"):
        return std::to_string(number(360, 395) / 10.0).substr(0, 4);
    case visitText("bp"):
        return std::to_string(number(95, 170)) + "/" + std::to_string(number(55, 100));
    case visitText("RR"):
        return std::to_string(number(12, 24));
    case visitText("pulse"):
        return std::to_string(number(55, 110));
    case visitText("height"):
        return std::to_string(number(140, 195));
    case visitText("weight"):
        return std::to_string(number(40, 120));
    case visitText("diagnosis"):
        return sentence(10, 60);
    case visitText("treatment"):
        return sentence(20, 160);
    }
    const VisitField& described = kVisitFields[field];
    if (described.kind != VisitKind::Text)
        return std::to_string(number(static_cast<int>(described.lowest),
                                     static_cast<int>(described.highest)));
    // Most examinations note only a few systems.
    return chance(0.4) ? sentence(8, 70) : std::string();
}

void Generator::history(int count, int patients)
{
    sqlite3_stmt* insert = prepare(
        "INSERT INTO history_entries (patient_ID, entry_type, entry_details) VALUES (?, ?, ?)");
    for (int i = 0; i < count; ++i) {
        sqlite3_bind_int(insert, 1, number(1, patients));
        bind(insert, 2, pick(entryTypes));
        bind(insert, 3, sentence(10, 200));
        finish(insert);
    }
    sqlite3_finalize(insert);
}

void Generator::medications(int count, int patients, const std::vector<std::string>& names)
{
    sqlite3_stmt* insert = prepare(
        "INSERT INTO patient_medications (patient_ID, name, status) VALUES (?, ?, ?)");
    for (int i = 0; i < count; ++i) {
        sqlite3_bind_int(insert, 1, number(1, patients));
        bind(insert, 2, names[number(0, static_cast<int>(names.size()) - 1)]);
        bind(insert, 3, pick(statuses));
        finish(insert);
    }
    sqlite3_finalize(insert);
}

void Generator::tests(int count, int patients, const std::vector<std::string>& types)
{
    sqlite3_stmt* insert =
        prepare("INSERT INTO tests (patient_ID, date, type, results) VALUES (?, ?, ?, ?)");
    for (int i = 0; i < count; ++i) {
        const int patient = number(1, patients);
        sqlite3_bind_int(insert, 1, patient);
        bind(insert, 2, dayInLifeOf(patient).toIso());
        bind(insert, 3, types[number(0, static_cast<int>(types.size()) - 1)]);
        bind(insert, 4, sentence(5, 200));
        finish(insert);
    }
    sqlite3_finalize(insert);
}

std::vector<std::string> Generator::nameList(const char* table, int count, bool withStrength)
{
    const std::string sql = std::string("INSERT INTO ") + table + " (name) VALUES (?)";
    sqlite3_stmt* insert = prepare(sql.c_str());
    std::set<std::string> taken;
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back(uniqueName(taken, withStrength));
        bind(insert, 1, names.back());
        finish(insert);
    }
    sqlite3_finalize(insert);
    return names;
}

void Generator::exec(const char* sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(m_db));
}

sqlite3_stmt* Generator::prepare(const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(m_db));
    return statement;
}

void Generator::bind(sqlite3_stmt* statement, int index, const std::string& text)
{
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

void Generator::finish(sqlite3_stmt* statement)
{
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    if (rc != SQLITE_DONE) {
        sqlite3_finalize(statement);
        throw std::runtime_error(sqlite3_errmsg(m_db));
    }
}

} // namespace

ClinicSize ClinicSize::forPatients(int patients)
{
    const ClinicSize large;
    const auto scaled = [&](int amount, int least) {
        return std::max(least, static_cast<int>(static_cast<long long>(amount) * patients /
                                                large.patients));
    };
    ClinicSize size;
    size.patients = patients;
    size.visits = scaled(large.visits, 0);
    size.historyEntries = scaled(large.historyEntries, 0);
    size.medications = scaled(large.medications, 0);
    size.tests = scaled(large.tests, 0);
    size.medicationNames = scaled(large.medicationNames, 50);
    size.testTypes = scaled(large.testTypes, 30);
    return size;
}

bool generateClinic(const std::string& path, const ClinicSize& size, unsigned seed)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    bool done = false;
    try {
        // One transaction for millions of rows; a large cache keeps it from spilling early.
        sqlite3_exec(db, "PRAGMA cache_size=-262144", nullptr, nullptr, nullptr);
        Generator(db, seed).fill(size);
        // The patients went in without their search keys: marked as a file from before the
        // keys, the file gets them from the program's first operation on it.
        done = sqlite3_exec(db, "PRAGMA user_version = 0", nullptr, nullptr, nullptr) == SQLITE_OK;
    } catch (const std::runtime_error&) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
    return done;
}

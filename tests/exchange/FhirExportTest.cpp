#include "ExchangeSupport.h"
#include "TestDatabase.h"

#include "exchange/FhirBundle.h"
#include "exchange/FhirExport.h"
#include "exchange/FhirTime.h"
#include "store/WholeClinic.h"
#include "store/store.h"
#include "tools/ClinicGenerator.h"

#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

using Json = nlohmann::json;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

// Texts as people type them: several lines, accents, other scripts, quotes and backslashes.
const std::string kTexts[] = {
    "first line\nsecond line\r\nthird line",
    "Zoë Ñúñez-Ångström, café crème",
    "Ελληνικά · 漢字 · العربية · עברית · हिन्दी",
    "\"double\" and 'single' quotes, \\back\\slashes\\ and\ta tab",
    "🩺 a stethoscope, a non-breaking\u00a0space, </script> & <b>",
};

std::string textNo(size_t i)
{
    return kTexts[i % std::size(kTexts)] + " #" + std::to_string(i);
}

// A visit's texts: the measurements as given by column, every other text one of kTexts.
Strings visitTexts(size_t seed, const std::map<std::string, std::string>& measured)
{
    Strings texts;
    for (const VisitField& field : kVisitFields) {
        const auto found = measured.find(field.column);
        texts.push_back(found != measured.end() ? found->second : textNo(seed++));
    }
    return texts;
}

// A patient with an entry of every kind, each text one of kTexts; one visit measured in
// numbers, one in words.
std::string patientWithEverything()
{
    PatientRecord patient;
    EXPECT_TRUE(patient.Add(textNo(0), textNo(1), DateTime::fromCivil(1980, 5, 17), 1,
                            "3 Olive Lane\nFlat 2\n\nSpringfield ☀", "+1 555 0100"));
    const std::string id = patient.m_id;
    size_t n = 2;
    for (const char* kind : {"Allergies", "Medical", "Surgical", "Social", "Family"})
        for (int twice = 0; twice < 2; ++twice)
            EXPECT_TRUE(HistoryEntryRecord().Add(id, kind, textNo(n++)));
    for (const char* status : {"New Chronic", "Old Chronic", "Temporary", "As needed"})
        EXPECT_TRUE(PatientMedicationRecord().Add(id, textNo(n++), status));
    EXPECT_TRUE(
        TestRecord().Add(id, DateTime::fromCivil(2025, 3, 4, 8, 30), textNo(n), textNo(n + 1)));
    n += 2;
    EXPECT_TRUE(ComplaintRecord().Add(id, DateTime::fromCivil(2025, 1, 10, 9, 5),
                                      visitTexts(n, {{"temp", "38.5"},
                                                     {"bp", "120/80"},
                                                     {"RR", "16"},
                                                     {"pulse", "72"},
                                                     {"height", "170"},
                                                     {"weight", "64.5"}})));
    EXPECT_TRUE(ComplaintRecord().Add(id, DateTime::fromCivil(2025, 7, 20, 16, 45),
                                      visitTexts(n + 40, {{"temp", "febrile"},
                                                          {"bp", "130/85 sitting"},
                                                          {"RR", "fast"},
                                                          {"pulse", ""},
                                                          {"height", "1,70"},
                                                          {"weight", "—"}})));
    return id;
}

std::pair<int, std::string> exportFhir(const std::string& patient, const fs::path& file)
{
    return run(std::string(MEDORA_ADMIN) + " export-fhir --patient '" + patient + "' '" +
               file.string() + "'");
}

void collectStrings(const Json& value, std::multiset<std::string>& strings)
{
    if (value.is_string())
        strings.insert(value.get<std::string>());
    else if (value.is_structured())
        for (const Json& inner : value)
            collectStrings(inner, strings);
}

// Every text the record holds, each a string of the export exactly as stored, except the
// measurements that went out as numbers.
Strings storedTexts(const WholeRecord& r)
{
    Strings texts = {r.m_details.m_firstName, r.m_details.m_lastName, r.m_details.m_address,
                     r.m_details.m_telephone};
    for (const auto* entries :
         {&r.m_allergies, &r.m_medical, &r.m_surgical, &r.m_social, &r.m_family})
        for (const WholeRecord::Entry& entry : *entries)
            texts.push_back(entry.text);
    for (const WholeRecord::Medication& m : r.m_medications)
        texts.insert(texts.end(), {m.name, m.status});
    for (const WholeRecord::Test& t : r.m_tests)
        texts.insert(texts.end(), {t.type, t.results});
    for (const WholeRecord::Visit& visit : r.m_visits)
        for (size_t i = 0; i < kVisitTextCount; ++i)
            if (*kVisitFields[i].unit == '\0' && !visit.texts[i].empty())
                texts.push_back(visit.texts[i]);
    return texts;
}

} // namespace

class FhirExportTest : public StoreTest
{
};

ON_BOTH_ENGINES(FhirExportTest);

// medora-admin writes the record as one Bundle that the validators pass; every text comes out
// byte for byte, every resource names its patient and its visit, and a second export is the
// same file.
TEST_P(FhirExportTest, OnePatientWithEveryKindOfEntryIsValidFhir)
{
    setenv("MEDORA_DATA_DIR", m_dir.c_str(), 1);
    const std::string id = patientWithEverything();
    const fs::path file = m_dir / "record.json";
    const auto [status, said] = exportFhir(id, file);
    ASSERT_EQ(status, 0) << said;

    struct stat info {
    };
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const auto [valid, findings] =
        run(std::string(MEDORA_NODE) + " " + MEDORA_FHIR_VALIDATOR + " '" + file.string() + "'");
    EXPECT_EQ(valid, 0) << findings;
    EXPECT_NE(findings.find("valid FHIR R4"), std::string::npos) << findings;

    const std::string bytes = bytesOf(file);
    EXPECT_NE(bytes.find("漢字"), std::string::npos) << "texts are written as UTF-8, unescaped";
    const Json bundle = Json::parse(bytes);
    WholeRecord record;
    ASSERT_TRUE(record.Fetch(id));
    std::multiset<std::string> strings;
    collectStrings(bundle, strings);
    for (const std::string& text : storedTexts(record))
        EXPECT_EQ(strings.count(text), 1u) << text;

    const std::string patient = "Patient/patient-" + id;
    std::set<std::string> ids, encounters;
    for (const Json& entry : bundle["entry"]) {
        const Json& resource = entry["resource"];
        const std::string name =
            resource["resourceType"].get<std::string>() + "/" + resource["id"].get<std::string>();
        EXPECT_TRUE(ids.insert(name).second) << name;
        if (resource["resourceType"] == "Encounter")
            encounters.insert(name);
        if (resource["resourceType"] == "Patient")
            continue;
        const Json& subject =
            resource.contains("subject") ? resource["subject"] : resource["patient"];
        EXPECT_EQ(subject["reference"], patient) << name;
        if (resource["id"].get<std::string>().starts_with("visit-") &&
            resource["resourceType"] != "Encounter") {
            EXPECT_TRUE(encounters.contains(resource["encounter"]["reference"])) << name;
        }
    }
    // The patient, 10 history entries, 4 medications, 1 test; each visit is an Encounter and
    // a resource per text written but the complaint, the second visit's pulse left empty.
    EXPECT_EQ(ids.size(), 1 + 10 + 4 + 1 + 2 * kVisitTextCount - 1);

    const fs::path again = m_dir / "again.json";
    ASSERT_EQ(exportFhir(id, again).first, 0);
    EXPECT_EQ(bytesOf(again), bytes);

    const fs::path none = m_dir / "none.json";
    for (const std::string& missing : {std::string("99999"), std::string("x1")}) {
        const auto [refused, why] = exportFhir(missing, none);
        EXPECT_EQ(refused, 1) << why;
        EXPECT_NE(why.find("no patient has the record number " + missing), std::string::npos)
            << why;
        EXPECT_FALSE(fs::exists(none));
    }
    EXPECT_EQ(exportFhir(id, m_dir / "no such folder" / "x.json").first, 1);
}

namespace {

// Each line of the file, parsed.
std::vector<Json> linesOf(const fs::path& file)
{
    std::vector<Json> lines;
    std::istringstream text(bytesOf(file));
    for (std::string line; std::getline(text, line);)
        lines.push_back(Json::parse(line));
    return lines;
}

} // namespace

// The whole clinic goes out as one NDJSON file per resource type that the validators pass,
// paged through more rows than a page holds, holding exactly the resources of every patient's
// own Bundle, with a README that names the format and the version.
TEST_P(FhirExportTest, TheWholeClinicIsTheBundlesOfEveryPatientAsNdjson)
{
    setenv("MEDORA_DATA_DIR", m_dir.c_str(), 1);
    const std::string first = patientWithEverything();
    const std::string second = patientWithEverything();
    const std::string many = addPatient("Many", "Entries");
    const int entries = 2 * WholeClinic::kPageRows + 7;
    query("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
          std::to_string(entries) +
          ") INSERT INTO history_entries (patient_ID, entry_type, entry_details)"
          " SELECT " +
          many + ", 'Medical', 'entry ' || i FROM n");
    const fs::path folder = m_dir / "bulk";
    fs::create_directory(folder);
    const auto [status, said] =
        run(std::string(MEDORA_ADMIN) + " export-fhir --all '" + folder.string() + "'");
    ASSERT_EQ(status, 0) << said;

    std::set<std::string> fromBundles;
    for (const std::string& patient : {first, second, many}) {
        const fs::path file = m_dir / ("patient-" + patient + ".json");
        ASSERT_EQ(exportFhir(patient, file).first, 0);
        const Json bundle = Json::parse(bytesOf(file));
        for (const Json& entry : bundle["entry"])
            fromBundles.insert(entry["resource"].dump());
    }
    std::set<std::string> fromFolder;
    std::string files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const fs::path& file = entry.path();
        EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << file;
        if (file.extension() != ".ndjson")
            continue;
        files += " '" + file.string() + "'";
        for (const Json& resource : linesOf(file)) {
            EXPECT_EQ(resource["resourceType"], file.stem().string());
            EXPECT_TRUE(fromFolder.insert(resource.dump()).second) << resource.dump();
        }
    }
    EXPECT_EQ(fromFolder, fromBundles);
    EXPECT_GT(fromFolder.size(), size_t(entries));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 10);
    const auto [valid, findings] =
        run(std::string(MEDORA_NODE) + " " + MEDORA_FHIR_VALIDATOR + files);
    EXPECT_EQ(valid, 0) << findings;

    const std::string readme = bytesOf(folder / "README.md");
    for (const std::string& words : {std::string("Medora " MEDORA_VERSION), std::string("FHIR R4"),
                                     std::string("NDJSON"), std::string("| Patient.ndjson | 3 |")})
        EXPECT_NE(readme.find(words), std::string::npos) << words << "\n" << readme;
    EXPECT_EQ(
        run(std::string(MEDORA_ADMIN) + " export-fhir --all '" + (m_dir / "none").string() + "'")
            .first,
        1);
}

class FhirFileTest : public TestDatabase
{
};

// The made-up clinic, with texts and measurements as the generator writes them, goes out as
// resources the validators pass.
TEST_F(FhirFileTest, TheGeneratedClinicIsValidFhir)
{
    setenv("MEDORA_DATA_DIR", m_dir.c_str(), 1);
    ASSERT_TRUE(generateClinic((m_dir / "clinic_db.mdb").string(), ClinicSize::forPatients(20)));
    const fs::path folder = m_dir / "bulk";
    fs::create_directory(folder);
    const auto [status, said] =
        run(std::string(MEDORA_ADMIN) + " export-fhir --all '" + folder.string() + "'");
    ASSERT_EQ(status, 0) << said;
    EXPECT_NE(said.find(" 20 Patient,"), std::string::npos) << said;
    const auto [valid, findings] = run(std::string(MEDORA_NODE) + " " + MEDORA_FHIR_VALIDATOR +
                                       " '" + folder.string() + "'/*.ndjson");
    EXPECT_EQ(valid, 0) << findings;
}

// A text that is not UTF-8, which another program may have written into the records, cannot
// go into JSON: the export says so and leaves an earlier file of that name as it was.
TEST_F(FhirFileTest, ARecordThatCannotBeWrittenLeavesTheEarlierFile)
{
    const fs::path file = m_dir / "record.json";
    std::ofstream(file) << "earlier";
    WholeRecord record;
    record.m_patientId = "4";
    record.m_details.m_firstName = "Ann";
    record.m_allergies.push_back({"9", "pollen \xff\xfe"});
    const std::optional<FileFailure> failure = FhirExport::writeRecord(record, file.string());
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FileFailure::Refused);
    EXPECT_NE(failure->describe().find("not UTF-8"), std::string::npos) << failure->describe();
    EXPECT_EQ(bytesOf(file), "earlier");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), {}), 2); // and the records file

    record.m_allergies.back().text = "pollen";
    EXPECT_FALSE(FhirExport::writeRecord(record, file.string()));
    EXPECT_EQ(Json::parse(bytesOf(file))["entry"][1]["resource"]["code"]["text"], "pollen");
}

namespace {

Json resourceWithId(const Json& bundle, const std::string& id)
{
    for (const Json& entry : bundle["entry"])
        if (entry["resource"]["id"] == id)
            return entry["resource"];
    return nullptr;
}

} // namespace

// Each measurement as typed, and what the Observation says of it: a number that writes back
// as the same text is a coded quantity; anything else is kept as the text it is.
TEST(FhirVitalSigns, NumbersAreCodedQuantitiesAndOtherTextsKeptAsTyped)
{
    const struct {
        const char* column;
        const char* typed;
        const char* expected; // the Observation's code and value, as JSON
    } cases[] = {
        {"temp", "38.5",
         R"({"code":"8310-5","valueQuantity":{"value":38.5,"unit":"Cel","system":"http://unitsofmeasure.org","code":"Cel"}})"},
        {"temp", "37.0",
         R"({"code":"8310-5","valueQuantity":{"value":37.0,"unit":"Cel","system":"http://unitsofmeasure.org","code":"Cel"}})"},
        {"temp", "febrile", R"({"code":"8310-5","valueString":"febrile"})"},
        {"temp", "38,5", R"({"code":"8310-5","valueString":"38,5"})"},
        {"RR", "16",
         R"({"code":"9279-1","valueQuantity":{"value":16,"unit":"/min","system":"http://unitsofmeasure.org","code":"/min"}})"},
        {"pulse", "072", R"({"code":"8867-4","valueString":"072"})"},
        {"pulse", "72",
         R"({"code":"8867-4","valueQuantity":{"value":72,"unit":"/min","system":"http://unitsofmeasure.org","code":"/min"}})"},
        {"height", "170",
         R"({"code":"8302-2","valueQuantity":{"value":170,"unit":"cm","system":"http://unitsofmeasure.org","code":"cm"}})"},
        {"weight", "64.5",
         R"({"code":"29463-7","valueQuantity":{"value":64.5,"unit":"kg","system":"http://unitsofmeasure.org","code":"kg"}})"},
        {"weight", "-3", R"({"code":"29463-7","valueString":"-3"})"},
        {"bp", "120/80",
         R"({"code":"85354-9","components":[["8480-6",{"value":120,"unit":"mm[Hg]","system":"http://unitsofmeasure.org","code":"mm[Hg]"}],["8462-4",{"value":80,"unit":"mm[Hg]","system":"http://unitsofmeasure.org","code":"mm[Hg]"}]]})"},
        {"bp", "120/80 sitting", R"({"code":"85354-9","valueString":"120/80 sitting"})"},
        {"bp", "120/", R"({"code":"85354-9","valueString":"120/"})"},
        {"bp", "high", R"({"code":"85354-9","valueString":"high"})"},
    };
    for (const auto& c : cases) {
        WholeRecord record;
        record.m_patientId = "7";
        Strings texts(kVisitTextCount);
        for (size_t i = 0; i < kVisitTextCount; ++i)
            if (std::string_view(kVisitFields[i].column) == c.column)
                texts[i] = c.typed;
        record.m_visits.push_back({"12", DateTime::fromCivil(2025, 1, 10, 9, 5), texts});
        const Json o = resourceWithId(FhirBundle::of(record), std::string("visit-12-") + c.column);
        ASSERT_TRUE(o.is_object()) << c.column << " " << c.typed;
        EXPECT_EQ(o["category"][0]["coding"][0]["code"], "vital-signs");
        EXPECT_EQ(o["code"]["coding"][0]["system"], "http://loinc.org");
        Json seen = {{"code", o["code"]["coding"][0]["code"]}};
        for (const char* value : {"valueQuantity", "valueString"})
            if (o.contains(value))
                seen[value] = o[value];
        if (o.contains("component"))
            for (const Json& part : o["component"])
                seen["components"].push_back(
                    {part["code"]["coding"][0]["code"], part["valueQuantity"]});
        EXPECT_EQ(seen, Json::parse(c.expected)) << c.column << " " << c.typed;
        EXPECT_EQ(o["effectiveDateTime"].get<std::string>().substr(0, 19), "2025-01-10T09:05:00");
    }
}

// A stored local time is given the offset its zone had on that day, summer time included.
TEST(FhirTimes, LocalTimesCarryTheirZonesOffsetOfTheDay)
{
    const char* const before = std::getenv("TZ");
    const std::string kept = before != nullptr ? before : "";
    const struct {
        const char* zone;
        DateTime local;
        const char* expected;
    } cases[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", DateTime::fromCivil(2025, 1, 10, 9, 5),
         "2025-01-10T09:05:00+01:00"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", DateTime::fromCivil(2025, 7, 20, 16, 45, 30),
         "2025-07-20T16:45:30+02:00"},
        {"UTC0", DateTime::fromCivil(1999, 12, 31, 23, 59, 59), "1999-12-31T23:59:59+00:00"},
        {"<-0330>3:30", DateTime::fromCivil(2026, 2, 28, 0, 0), "2026-02-28T00:00:00-03:30"},
        {"<+0545>-5:45", DateTime::fromCivil(1950, 6, 1, 12, 0), "1950-06-01T12:00:00+05:45"},
    };
    for (const auto& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(FhirTime::dateTime(c.local), c.expected) << c.zone;
    }
    EXPECT_EQ(FhirTime::date(DateTime::fromCivil(1980, 5, 17, 23, 59)), "1980-05-17");
    EXPECT_EQ(FhirTime::dateTime(DateTime(-1e9)), "");
    if (before != nullptr)
        setenv("TZ", kept.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

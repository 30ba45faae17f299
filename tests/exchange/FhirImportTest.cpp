#include "ExchangeSupport.h"
#include "TestDatabase.h"

#include "exchange/FhirImport.h"
#include "exchange/FhirTime.h"
#include "store/PostgresEngine.h"
#include "store/VisitStatements.h"
#include "store/WholeClinic.h"
#include "store/store.h"
#include "tools/ClinicGenerator.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

// The tables of a patient's rows, and the search's keys made from them.
const char* const kRecordTables[] = {"patient_info",        "complaints", "history_entries",
                                     "patient_medications", "tests",      "search_words"};

// Every row of the table in the records file at `path`, its columns joined with '|'.
Strings rowsOfFile(const fs::path& path, const std::string& table) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(db, ("SELECT * FROM " + table + " ORDER BY 1, 2, 3").c_str(), -1, &rows,
                       nullptr);
    Strings all;
    while (rows != nullptr && sqlite3_step(rows) == SQLITE_ROW) {
        std::string row;
        for (int c = 0; c < sqlite3_column_count(rows); ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(rows, c));
            row += (c ? "|" : "") + std::string(text != nullptr ? text : "NULL");
        }
        all.push_back(row);
    }
    sqlite3_finalize(rows);
    sqlite3_close(db);
    return all;
}

// A patient whose texts are as people type them, with measurements in words, added to the
// records file at `path` beside the made-up clinic.
void addPatientOfEveryText(const fs::path& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const auto insert = [&](const std::string& sql, const Strings& values) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
        for (size_t i = 0; i < values.size(); ++i)
            sqlite3_bind_text(statement, int(i) + 1, values[i].c_str(), -1, SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE) << sqlite3_errmsg(db);
        sqlite3_finalize(statement);
    };
    insert("INSERT INTO patient_info (first_name, last_name, DOB, Gender, address, telephone)"
           " VALUES (?, ?, '1980-05-17 00:00:00', 1, ?, ?)",
           {"Zoë \"Jo\"", "Ñúñez-Ångström 漢字", "3 Olive Lane\r\nFlat 2\n\nSpringfield ☀",
            "+1 555 0100"});
    const std::string patient = std::to_string(sqlite3_last_insert_rowid(db));
    Strings visit = {patient, "2025-07-20 16:45:30"};
    for (const VisitField& field : kVisitFields)
        visit.push_back(std::string("Ελληνικά\n'") + field.column + "'\t\\ 🩺");
    visit[3] = "febrile";
    visit[4] = "130/85 sitting";
    visit[5] = "072";
    insert(VisitStatements::insert(), visit);
    for (const char* kind : {"Medical", "Surgical", "Social", "Family", "Allergies"})
        insert(
            "INSERT INTO history_entries (patient_ID, entry_type, entry_details) VALUES (?, ?, ?)",
            {patient, kind, std::string(kind) + "\nعربية"});
    insert("INSERT INTO patient_medications (patient_ID, name, status) VALUES (?, ?, ?)",
           {patient, "Drops \"x\"", "As needed"});
    sqlite3_close(db);
}

std::pair<int, std::string> importFhir(const fs::path& input) {
    return run(std::string(MEDORA_ADMIN) + " import-fhir '" + input.string() + "'");
}

} // namespace

class FhirImportTest : public StoreTest {
protected:
    // The made-up clinic, with a patient of every text, exported from a records file of its
    // own into a folder; the file's path.
    fs::path exportedClinic(const fs::path& folder) {
        const fs::path source = m_dir / "source";
        fs::create_directories(source);
        fs::create_directory(folder);
        fs::copy_file(MEDORA_EMPTY_DB, source / "clinic_db.mdb");
        EXPECT_TRUE(
            generateClinic((source / "clinic_db.mdb").string(), ClinicSize::forPatients(30)));
        addPatientOfEveryText(source / "clinic_db.mdb");
        const auto [status, said] =
            run("env -u MEDORA_DATABASE MEDORA_DATA_DIR='" + source.string() + "' " + MEDORA_ADMIN +
                " export-fhir --all '" + folder.string() + "'");
        EXPECT_EQ(status, 0) << said;
        return source / "clinic_db.mdb";
    }

    Strings rowsOfStore(const std::string& table) {
        return query("SELECT * FROM " + table + " ORDER BY 1, 2, 3");
    }
};

ON_BOTH_ENGINES(FhirImportTest);

// The whole clinic exported and brought into empty records is the same records, row by row
// and key by key; the keys the tables give next go on past them. Brought in again, or into
// records whose tables gave those keys before, the patients come in anew.
TEST_P(FhirImportTest, AClinicExportedAndImportedIsTheSameRecords) {
    setenv("MEDORA_DATA_DIR", m_dir.c_str(), 1);
    const fs::path folder = m_dir / "bulk";
    const fs::path source = exportedClinic(folder);
    const auto [status, said] = importFhir(folder);
    ASSERT_EQ(status, 0) << said;
    EXPECT_NE(said.find("31 patients added, with the record numbers and row numbers of the input"),
              std::string::npos)
        << said;
    std::istringstream lines(said);
    for (std::string line; std::getline(lines, line);)
        if (line.find(" taken, ") != std::string::npos) {
            EXPECT_TRUE(line.ends_with(" taken, 0 not held, 0 further elements not held")) << line;
        }
    for (const char* table : kRecordTables)
        EXPECT_EQ(rowsOfStore(table), rowsOfFile(source, table)) << table;

    PatientRecord next;
    ASSERT_TRUE(next.Add("Next", "Patient", DateTime::fromCivil(1990, 1, 1), 0, "", ""));
    EXPECT_EQ(next.m_id, "32");
    ASSERT_TRUE(ComplaintRecord().Add(next.m_id, DateTime::fromCivil(2025, 1, 1),
                                      Strings(kVisitTextCount, "x")));
    EXPECT_EQ(query("SELECT max(compl_ID) FROM complaints"),
              Strings{std::to_string(rowsOfFile(source, "complaints").size() + 1)});

    const auto [again, saidAgain] = importFhir(folder);
    ASSERT_EQ(again, 0) << saidAgain;
    EXPECT_NE(saidAgain.find("31 patients added, each with a new record number"), std::string::npos)
        << saidAgain;
    EXPECT_EQ(count("patient_info"), 63);
    EXPECT_EQ(count("search_words", "patient_ID > 32"), count("search_words", "patient_ID < 32"));

    resetRecords();
    ASSERT_TRUE(PatientRecord().DeleteWithRecords(addPatient()));
    const auto [afterRemoval, saidAfter] = importFhir(folder);
    ASSERT_EQ(afterRemoval, 0) << saidAfter;
    EXPECT_NE(saidAfter.find("each with a new record number"), std::string::npos) << saidAfter;
    EXPECT_EQ(query("SELECT min(ID) FROM patient_info"), Strings{"2"});
}

namespace {

// A Bundle as another program writes it: a transaction whose entries name each other by
// their fullUrls, coded concepts, extensions, a second name, an e-mail address, two findings
// of one body system, a visit with one text only, resource types Medora does not hold and a
// test without a date.
const char* const kOtherProgramsBundle = R"({"resourceType": "Bundle", "type": "transaction",
"entry": [
 {"fullUrl": "urn:uuid:p", "request": {"method": "POST", "url": "Patient"}, "resource": {
  "resourceType": "Patient", "id": "abc", "meta": {"profile": ["http://example.org/p"]},
  "extension": [{"url": "http://example.org/race", "valueString": "x"}],
  "identifier": [{"system": "http://hospital.example/mrn", "value": "12345"}],
  "name": [{"family": "Doe", "given": ["Jane", "Q"]}, {"text": "Janie"}],
  "gender": "female", "birthDate": "1970-02-03",
  "address": [{"line": ["1 Main St", "Apt 4"], "city": "Springfield", "postalCode": "12345"}],
  "telecom": [{"system": "email", "value": "j@example.org"}, {"system": "phone", "value": "555-0101"}]}},
 {"fullUrl": "urn:uuid:e", "resource": {"resourceType": "Encounter", "status": "finished",
  "class": {"system": "http://terminology.hl7.org/CodeSystem/v3-ActCode", "code": "AMB"},
  "subject": {"reference": "urn:uuid:p"}, "period": {"start": "2024-02-03T10:00:00Z"},
  "reasonCode": [{"coding": [{"system": "http://snomed.info/sct", "code": "49727002"}], "text": "Cough"}]}},
 {"fullUrl": "urn:uuid:e2", "resource": {"resourceType": "Encounter", "status": "finished",
  "class": {"code": "AMB"}, "subject": {"reference": "Patient/abc"}, "period": {"start": "2024-03-01"}}},
 {"resource": {"resourceType": "Observation", "id": "hr2", "status": "final",
  "code": {"coding": [{"system": "http://loinc.org", "code": "8867-4"}]},
  "subject": {"reference": "urn:uuid:p"}, "encounter": {"reference": "urn:uuid:e2"}, "valueString": "fast"}},
 {"resource": {"resourceType": "Observation", "id": "hr", "status": "final",
  "code": {"coding": [{"system": "http://loinc.org", "code": "8867-4"}]},
  "subject": {"reference": "urn:uuid:p"}, "encounter": {"reference": "urn:uuid:e"},
  "valueQuantity": {"value": 72, "unit": "beats/minute", "system": "http://unitsofmeasure.org", "code": "/min"}}},
 {"resource": {"resourceType": "Observation", "id": "t", "status": "final",
  "code": {"coding": [{"system": "http://loinc.org", "code": "8310-5"}]},
  "subject": {"reference": "urn:uuid:p"}, "encounter": {"reference": "urn:uuid:e"},
  "valueQuantity": {"value": 99.5, "unit": "degF", "system": "http://unitsofmeasure.org", "code": "[degF]"}}},
 {"resource": {"resourceType": "Observation", "id": "bp", "status": "final",
  "code": {"coding": [{"system": "http://loinc.org", "code": "85354-9"}]},
  "subject": {"reference": "urn:uuid:p"}, "encounter": {"reference": "urn:uuid:e"},
  "component": [{"code": {"coding": [{"system": "http://loinc.org", "code": "8480-6"}]}, "valueQuantity": {"value": 118, "code": "mm[Hg]"}},
                {"code": {"coding": [{"system": "http://loinc.org", "code": "8462-4"}]}, "valueQuantity": {"value": 76, "code": "mm[Hg]"}}]}},
 {"resource": {"resourceType": "Observation", "id": "lung", "status": "final",
  "category": [{"coding": [{"code": "exam"}]}], "code": {"text": "Respiratory"},
  "subject": {"reference": "urn:uuid:p"}, "encounter": {"reference": "urn:uuid:e"}, "valueString": "clear"}},
 {"resource": {"resourceType": "Observation", "id": "lung2", "status": "final", "code": {"text": "Respiratory"},
  "subject": {"reference": "urn:uuid:p"}, "encounter": {"reference": "urn:uuid:e"}, "valueString": "wheeze"}},
 {"resource": {"resourceType": "Observation", "id": "skin", "status": "final", "code": {"text": "Skin"},
  "subject": {"reference": "urn:uuid:p"}, "encounter": {"reference": "urn:uuid:e"}, "valueString": "rash"}},
 {"resource": {"resourceType": "Condition", "id": "dx", "subject": {"reference": "urn:uuid:p"},
  "encounter": {"reference": "urn:uuid:e"}, "clinicalStatus": {"coding": [{"code": "active"}]},
  "code": {"coding": [{"system": "http://snomed.info/sct", "code": "195662009"}], "text": "Acute bronchitis"}}},
 {"resource": {"resourceType": "Condition", "id": "pl", "subject": {"reference": "urn:uuid:p"},
  "code": {"coding": [{"system": "http://snomed.info/sct", "code": "38341003", "display": "Hypertension"}]}}},
 {"resource": {"resourceType": "AllergyIntolerance", "id": "al", "patient": {"reference": "urn:uuid:p"},
  "code": {"text": "Penicillin"}}},
 {"resource": {"resourceType": "MedicationStatement", "id": "m", "status": "active",
  "subject": {"reference": "urn:uuid:p"}, "medicationCodeableConcept": {"coding": [{"system":
  "http://www.nlm.nih.gov/research/umls/rxnorm", "code": "197361"}], "text": "Amlodipine 5 mg"}}},
 {"resource": {"resourceType": "Observation", "id": "lab", "status": "final",
  "category": [{"coding": [{"code": "laboratory"}]}], "code": {"text": "HbA1c"},
  "subject": {"reference": "urn:uuid:p"}, "effectiveDateTime": "2024-01-15", "valueQuantity": {"value": 6.1, "unit": "%"}}},
 {"resource": {"resourceType": "Observation", "id": "undated", "status": "final",
  "category": [{"coding": [{"code": "laboratory"}]}], "code": {"text": "Glucose"},
  "subject": {"reference": "urn:uuid:p"}, "valueString": "high"}},
 {"resource": {"resourceType": "Procedure", "id": "pr", "status": "completed",
  "subject": {"reference": "Patient/abc"}, "code": {"text": "Appendectomy"},
  "extension": [{"url": "http://example.org/x", "valueString": "y"}]}},
 {"resource": {"resourceType": "Immunization", "id": "im", "status": "completed", "patient": {"reference": "urn:uuid:p"}}},
 {"resource": {"resourceType": "Organization", "id": "org", "name": "Clinic"}}
]})";

// The clinic's time zone for the length of a test.
class ZoneForTest {
public:
    explicit ZoneForTest(const char* zone) {
        const char* before = std::getenv("TZ");
        m_had = before != nullptr;
        m_before = m_had ? before : "";
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneForTest() {
        if (m_had)
            setenv("TZ", m_before.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_had;
    std::string m_before;
};

} // namespace

// What Medora holds of another program's Bundle comes in, the rest is counted by resource
// type, and the patient's own identifier is noted. Cancelled, while the input is checked or
// while it is written, nothing comes in; the progress runs to the total.
TEST_P(FhirImportTest, AnotherProgramsBundleComesInWithWhatCannotBeHeldCounted) {
    const ZoneForTest utc("UTC0");
    const fs::path file = m_dir / "other.json";
    std::ofstream(file) << kOtherProgramsBundle;
    const std::string before = snapshot();
    for (const bool whileWriting : {false, true}) {
        const FhirImport::Outcome cancelled =
            FhirImport::run(file.string(), [&](long long done, long long total) {
                return done < 3 || (total != 0) != whileWriting;
            });
        EXPECT_EQ(cancelled.kind, FhirImport::Outcome::Cancelled) << cancelled.message;
        EXPECT_EQ(snapshot(), before);
    }

    std::pair<long long, long long> last;
    const FhirImport::Outcome outcome =
        FhirImport::run(file.string(), [&](long long done, long long total) {
            last = {done, total};
            return true;
        });
    ASSERT_EQ(outcome.kind, FhirImport::Outcome::Imported) << outcome.message;
    EXPECT_EQ(last, std::make_pair(19LL, 19LL));
    const FhirImport::Report& report = outcome.report;
    EXPECT_EQ(report.patients, 1);
    EXPECT_FALSE(report.numbersKept);
    const std::map<std::string, FhirImport::Count> expected = {{"AllergyIntolerance", {1, 0, 0}},
                                                               {"Condition", {2, 0, 3}},
                                                               {"Encounter", {2, 0, 1}},
                                                               {"Immunization", {0, 1, 0}},
                                                               {"MedicationStatement", {1, 0, 1}},
                                                               {"Observation", {8, 1, 0}},
                                                               {"Organization", {0, 1, 0}},
                                                               {"Patient", {1, 0, 4}},
                                                               {"Procedure", {1, 0, 1}}};
    EXPECT_EQ(report.types, expected) << report.describe();
    // The server's keys are not given back by the cancelled imports.
    const std::string id = query("SELECT ID FROM patient_info").at(0);
    EXPECT_EQ(report.notes, Strings{"Patient/abc came in as record number " + id +
                                    ", which was known by the identifier "
                                    "http://hospital.example/mrn 12345"});

    WholeRecord record;
    ASSERT_TRUE(record.Fetch(id));
    const PatientDetails& d = record.m_details;
    EXPECT_EQ(Strings({d.m_firstName, d.m_lastName, d.m_address, d.m_telephone}),
              Strings({"Jane Q", "Doe", "1 Main St\nApt 4\nSpringfield\n12345", "555-0101"}));
    EXPECT_EQ(d.m_gender, 1);
    EXPECT_EQ(d.m_dob, DateTime::fromCivil(1970, 2, 3));
    ASSERT_EQ(record.m_visits.size(), 2u);
    EXPECT_EQ(record.m_visits[0].date, DateTime::fromCivil(2024, 2, 3, 10, 0, 0));
    Strings texts(kVisitTextCount);
    for (const auto& [column, text] : {std::pair{"complaint", "Cough"},
                                       {"pulse", "72"},
                                       {"temp", "99.5 [degF]"},
                                       {"bp", "118/76"},
                                       {"respiratory", "clear\nwheeze"},
                                       {"other", "Skin: rash"},
                                       {"diagnosis", "Acute bronchitis"}})
        for (size_t i = 0; i < kVisitTextCount; ++i)
            if (kVisitFields[i].column == std::string(column))
                texts[i] = text;
    EXPECT_EQ(record.m_visits[0].texts, texts);
    texts = Strings(kVisitTextCount);
    texts[visitText("pulse")] = "fast";
    EXPECT_EQ(record.m_visits[1].texts, texts);
    EXPECT_EQ(record.m_visits[1].date, DateTime::fromCivil(2024, 3, 1));
    EXPECT_EQ(record.m_medical, std::vector<WholeRecord::Entry>({{"1", "Hypertension"}}));
    EXPECT_EQ(record.m_allergies, std::vector<WholeRecord::Entry>({{"2", "Penicillin"}}));
    EXPECT_EQ(record.m_surgical, std::vector<WholeRecord::Entry>({{"3", "Appendectomy"}}));
    EXPECT_EQ(record.m_medications,
              std::vector<WholeRecord::Medication>({{"1", "Amlodipine 5 mg", ""}}));
    EXPECT_EQ(record.m_tests, std::vector<WholeRecord::Test>(
                                  {{"1", DateTime::fromCivil(2024, 1, 15), "HbA1c", "6.1 %"}}));
    ASSERT_TRUE(PatientRecord().Add(d.m_firstName, d.m_lastName, d.m_dob, d.m_gender, d.m_address,
                                    d.m_telephone));
    const auto keysOf = [&](const std::string& where) {
        return query("SELECT word, kind, sort_name FROM search_words WHERE patient_ID " + where +
                     " ORDER BY 1, 2");
    };
    EXPECT_EQ(keysOf("= " + id), keysOf("> " + id));
    EXPECT_FALSE(keysOf("= " + id).empty());
}

// Input that is not FHIR JSON, or a resource that breaks R4's rules or names what the input
// does not hold, is refused with the place, the resource and the reason, and nothing is
// written.
TEST_P(FhirImportTest, BadInputIsRefusedAndNothingIsWritten) {
    setenv("MEDORA_DATA_DIR", m_dir.c_str(), 1);
    addPatient();
    const std::string before = snapshot();
    const std::string patient = R"({"resourceType": "Patient", "id": "p"})";
    const auto bundle = [](const Strings& resources) {
        std::string entries;
        for (const std::string& r : resources)
            entries += (entries.empty() ? "" : ", ") + std::string(R"({"resource": )") + r + "}";
        return R"({"resourceType": "Bundle", "type": "collection", "entry": [)" + entries + "]}";
    };
    const std::string condition =
        R"({"resourceType": "Condition", "id": "c", "code": {"text": "x"}, "subject": )";
    const struct {
        const char* name;
        std::string text;
        const char* said;
    } cases[] = {
        {"not-json.json", "{ patient: 1 }", "not-json.json is not JSON: parse error"},
        {"not-fhir.json", R"({"name": "Ann"})", "not a FHIR resource: it has no resourceType"},
        {"list.json", "[1, 2]", "not a FHIR resource: it is not a JSON object"},
        {"patient.json", patient, "holds a FHIR Patient, not a Bundle"},
        {"status.json", bundle({patient, R"({"resourceType": "Observation", "id": "o", "status": 5,
                             "code": {"text": "x"}})"}),
         "status.json, entry 2: the Observation \"o\" breaks FHIR R4's rules: status: not a code"},
        {"no-subject.json", bundle({patient, R"({"resourceType": "Condition", "id": "c"})"}),
         "the Condition \"c\" breaks FHIR R4's rules: it lacks subject"},
        {"day.json",
         bundle({R"({"resourceType": "Encounter", "status": "finished", "class": {"code": "AMB"},
                     "period": {"start": "2024-02-30T10:00:00Z"}})"}),
         "period: start: \"2024-02-30T10:00:00Z\" is not a FHIR dateTime"},
        {"zone.json",
         bundle(
             {patient,
              condition + R"({"reference": "Patient/p"}, "recordedDate": "2024-02-03T10:00:00"})"}),
         "recordedDate: \"2024-02-03T10:00:00\" is not a FHIR dateTime"},
        {"reference.json", bundle({patient, condition + R"({"reference": "Patient/a b"}})"}),
         "the reference \"Patient/a b\" is not of a form FHIR allows"},
        {"id.json", bundle({R"({"resourceType": "Patient", "id": "p_1"})"}),
         "its id \"p_1\" is not a FHIR id"},
        {"twice.json", bundle({patient, patient}), "entry 2: the Patient \"p\" appears twice"},
        {"missing-patient.json", bundle({patient, condition + R"({"reference": "Patient/q"}})"}),
         "entry 2: the Condition \"c\" refers to Patient/q, which is not in the input"},
        {"missing-visit.json",
         bundle({patient,
                 condition +
                     R"({"reference": "Patient/p"}, "encounter": {"reference": "Encounter/v"}})"}),
         "refers to Encounter/v, which is not in the input"},
    };
    for (const auto& c : cases) {
        std::ofstream(m_dir / c.name) << c.text;
        const auto [status, said] = importFhir(m_dir / c.name);
        EXPECT_EQ(status, 1) << c.name;
        EXPECT_NE(said.find(c.said), std::string::npos) << c.name << ": " << said;
        EXPECT_NE(said.find("Nothing was imported."), std::string::npos) << said;
        EXPECT_EQ(snapshot(), before) << c.name;
    }

    const fs::path folder = m_dir / "bulk";
    fs::create_directory(folder);
    std::ofstream(folder / "Patient.ndjson") << patient << "\n\n{\"resourceType\": \n";
    const auto [status, said] = importFhir(folder);
    EXPECT_EQ(status, 1);
    EXPECT_NE(said.find("Patient.ndjson, line 3 is not JSON"), std::string::npos) << said;
    fs::remove(folder / "Patient.ndjson");
    EXPECT_NE(importFhir(folder).second.find("holds no FHIR NDJSON files"), std::string::npos);
    EXPECT_EQ(snapshot(), before);
}

class FhirWholeRecordsTest : public StoreTest {};

INSTANTIATE_TEST_SUITE_P(Engines, FhirWholeRecordsTest, ::testing::Values(TestEngine::Server),
                         engineName);

// The whole clinic's export and an import take as long as the records need: a pause longer
// than a desk's operation may take, between two of their statements, does not end them.
TEST_P(FhirWholeRecordsTest, ExportAndImportOutlastADesksBound) {
    const auto pause = [] {
        std::this_thread::sleep_for(PostgresEngine::operationTimeout +
                                    std::chrono::milliseconds(500));
    };
    addPatient();
    struct SlowReader : WholeClinic::Reader {
        std::function<void()> pause;
        int patients = 0;
        void restart() override { patients = 0; }
        void patient(const std::string&, const PatientDetails&) override {
            if (patients++ == 0)
                pause();
        }
        void history(const std::string&, const std::string&, const WholeRecord::Entry&) override {}
        void medication(const std::string&, const WholeRecord::Medication&) override {}
        void test(const std::string&, const WholeRecord::Test&) override {}
        void visit(const std::string&, const WholeRecord::Visit&) override {}
    } reader;
    reader.pause = pause;
    EXPECT_TRUE(WholeClinic::Read(reader)) << LastFailure::message();
    EXPECT_EQ(reader.patients, 1);

    const fs::path file = m_dir / "one.json";
    std::ofstream(file) << R"({"resourceType": "Bundle", "type": "collection", "entry": [
        {"resource": {"resourceType": "Patient", "id": "a"}},
        {"resource": {"resourceType": "Patient", "id": "b"}}]})";
    const FhirImport::Outcome outcome =
        FhirImport::run(file.string(), [&](long long done, long long total) {
            if (total != 0 && done == 1)
                pause();
            return true;
        });
    EXPECT_EQ(outcome.kind, FhirImport::Outcome::Imported) << outcome.message;
    EXPECT_EQ(count("patient_info"), 3);
}

// FHIR's dates and dateTimes as they are read: a time with its offset is the clinic's local
// time of that instant, summer time included; a date is its first moment; anything else is
// not of the form.
TEST(FhirTimes, DatesAndTimesAreReadAsTheClinicsLocalTime) {
    const ZoneForTest zone("CET-1CEST,M3.5.0,M10.5.0/3");
    using Form = FhirTime::Form;
    const struct {
        const char* text;
        Form form;
        const char* local; // as stored, or nullptr when refused
    } cases[] = {
        {"2025-07-20T16:45:30+02:00", Form::DateTime, "2025-07-20 16:45:30"},
        {"2025-07-20T14:45:30Z", Form::DateTime, "2025-07-20 16:45:30"},
        {"2025-01-10T09:05:00.250-05:00", Form::DateTime, "2025-01-10 15:05:00"},
        {"2025-10-26T02:30:00+02:00", Form::DateTime, "2025-10-26 02:30:00"},
        {"2025-10-26T02:30:00+01:00", Form::DateTime, "2025-10-26 02:30:00"},
        {"2025-10-26T01:30:00Z", Form::DateTime, "2025-10-26 02:30:00"},
        {"1980-05-17", Form::Date, "1980-05-17 00:00:00"},
        {"1980-05", Form::DateTime, "1980-05-01 00:00:00"},
        {"1980", Form::Date, "1980-01-01 00:00:00"},
        {"2024-02-29", Form::Date, "2024-02-29 00:00:00"},
        {"2023-02-29", Form::Date, nullptr},
        {"1980-05-17T10:00:00+01:00", Form::Date, nullptr},
        {"2025-07-20T16:45:30", Form::DateTime, nullptr},
        {"2025-07-20T24:00:00Z", Form::DateTime, nullptr},
        {"2025-07-20T16:45Z", Form::DateTime, nullptr},
        {"2025-07-20T16:45:30+15:00", Form::DateTime, nullptr},
        {"2025-07-20T16:45:30.Z", Form::DateTime, nullptr},
        {"2025-7-20", Form::Date, nullptr},
        {"0000", Form::Date, nullptr},
        {"", Form::Date, nullptr},
    };
    for (const auto& c : cases) {
        DateTime local;
        const bool read = FhirTime::read(c.text, c.form, local);
        EXPECT_EQ(read, c.local != nullptr) << c.text;
        if (read && c.local != nullptr) {
            EXPECT_EQ(local.toIso(), c.local) << c.text;
        }
    }
}

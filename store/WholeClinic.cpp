#include "store/WholeClinic.h"

#include "store/Database.h"
#include "store/VisitStatements.h"

namespace {

// Runs `sql`, whose parameters are the last key read and the page's size, page after page
// until a page comes back short; readRow reads one row and gives its key.
template <typename ReadRow> void readPages(Database& db, const char* sql, ReadRow&& readRow)
{
    long long after = -1;
    for (int rows = WholeClinic::kPageRows; rows == WholeClinic::kPageRows;) {
        Statement page = db.prepare(sql);
        page.bind(1, after).bind(2, WholeClinic::kPageRows);
        for (rows = 0; page.step(); ++rows)
            after = readRow(page);
    }
}

void readPatients(Database& db, WholeClinic::Reader& reader)
{
    readPages(db,
              "SELECT ID, first_name, last_name, DOB, Gender, address, telephone"
              " FROM patient_info WHERE ID > ? ORDER BY ID LIMIT ?",
              [&](Statement& row) {
                  PatientDetails details;
                  details.m_firstName = row.text(1);
                  details.m_lastName = row.text(2);
                  details.m_dob = row.date(3);
                  details.m_gender = static_cast<int>(row.integer(4));
                  details.m_address = row.text(5);
                  details.m_telephone = row.text(6);
                  reader.patient(row.id(0), details);
                  return row.integer(0);
              });
}

void readHistory(Database& db, WholeClinic::Reader& reader)
{
    readPages(db,
              "SELECT entry_ID, patient_ID, entry_type, entry_details FROM history_entries"
              " WHERE entry_ID > ? ORDER BY entry_ID LIMIT ?",
              [&](Statement& row) {
                  reader.history(row.id(1), row.text(2), {row.id(0), row.text(3)});
                  return row.integer(0);
              });
}

void readMedications(Database& db, WholeClinic::Reader& reader)
{
    readPages(db,
              "SELECT medication_ID, patient_ID, name, status FROM patient_medications"
              " WHERE medication_ID > ? ORDER BY medication_ID LIMIT ?",
              [&](Statement& row) {
                  reader.medication(row.id(1), {row.id(0), row.text(2), row.text(3)});
                  return row.integer(0);
              });
}

void readTests(Database& db, WholeClinic::Reader& reader)
{
    readPages(db,
              "SELECT test_ID, patient_ID, date, type, results FROM tests"
              " WHERE test_ID > ? ORDER BY test_ID LIMIT ?",
              [&](Statement& row) {
                  reader.test(row.id(1), {row.id(0), row.date(2), row.text(3), row.text(4)});
                  return row.integer(0);
              });
}

void readVisits(Database& db, WholeClinic::Reader& reader)
{
    constexpr int patientColumn = static_cast<int>(kVisitTextCount) + 2;
    readPages(db, VisitStatements::page().c_str(), [&](Statement& row) {
        WholeRecord::Visit visit{row.id(0), row.date(1), {}};
        for (size_t i = 0; i < kVisitTextCount; ++i)
            visit.texts.push_back(row.text(static_cast<int>(i) + 2));
        reader.visit(row.id(patientColumn), visit);
        return row.integer(0);
    });
}

} // namespace

bool WholeClinic::Read(Reader& reader)
{
    return Database::readWhole([&](Database& db) {
        reader.restart();
        readPatients(db, reader);
        readHistory(db, reader);
        readMedications(db, reader);
        readTests(db, reader);
        readVisits(db, reader);
        return true;
    });
}

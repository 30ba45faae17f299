#include "store/WholeClinic.h"

#include "store/Database.h"
#include "store/Session.h"
#include "store/VisitStatements.h"

namespace {

// The pages of one reading, told to whoever follows it as the share of all the rows read.
class Pages
{
public:
    Pages(Database& db, const WholeClinic::Progress& progress)
        : m_db(db), m_progress(progress), m_total(progress ? countRows(db) : 0)
    {
    }

    // Runs `sql`, whose parameters are the last key read and the page's size, page after page
    // until a page comes back short; readRow reads one row and gives its key. False once the
    // follower has asked to stop.
    template <typename ReadRow> bool read(const char* sql, ReadRow&& readRow)
    {
        long long after = -1;
        for (int rows = WholeClinic::kPageRows; rows == WholeClinic::kPageRows;) {
            Statement page = m_db.prepare(sql);
            page.bind(1, after).bind(2, WholeClinic::kPageRows);
            for (rows = 0; page.step(); ++rows)
                after = readRow(page);
            m_read += rows;
            if (m_progress && !m_progress(m_total > 0 ? double(m_read) / double(m_total) : 1.0))
                return false;
        }
        return true;
    }

private:
    static long long countRows(Database& db)
    {
        Statement count = db.prepare(
            "SELECT (SELECT COUNT(*) FROM patient_info) + (SELECT COUNT(*) FROM history_entries)"
            " + (SELECT COUNT(*) FROM patient_medications) + (SELECT COUNT(*) FROM tests)"
            " + (SELECT COUNT(*) FROM complaints)");
        return count.step() ? count.integer(0) : 0;
    }

    Database& m_db;
    const WholeClinic::Progress& m_progress;
    const long long m_total;
    long long m_read = 0;
};

bool readPatients(Pages& pages, WholeClinic::Reader& reader)
{
    return pages.read(
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

bool readHistory(Pages& pages, WholeClinic::Reader& reader)
{
    return pages.read(
        "SELECT entry_ID, patient_ID, entry_type, entry_details FROM history_entries"
        " WHERE entry_ID > ? ORDER BY entry_ID LIMIT ?",
        [&](Statement& row) {
            reader.history(row.id(1), row.text(2), {row.id(0), row.text(3)});
            return row.integer(0);
        });
}

bool readMedications(Pages& pages, WholeClinic::Reader& reader)
{
    return pages.read(
        "SELECT medication_ID, patient_ID, name, status FROM patient_medications"
        " WHERE medication_ID > ? ORDER BY medication_ID LIMIT ?",
        [&](Statement& row) {
            reader.medication(row.id(1), {row.id(0), row.text(2), row.text(3)});
            return row.integer(0);
        });
}

bool readTests(Pages& pages, WholeClinic::Reader& reader)
{
    return pages.read(
        "SELECT test_ID, patient_ID, date, type, results FROM tests"
        " WHERE test_ID > ? ORDER BY test_ID LIMIT ?",
        [&](Statement& row) {
            reader.test(row.id(1), {row.id(0), row.date(2), row.text(3), row.text(4)});
            return row.integer(0);
        });
}

bool readVisits(Pages& pages, WholeClinic::Reader& reader)
{
    constexpr int patientColumn = static_cast<int>(kVisitTextCount) + 2;
    return pages.read(VisitStatements::page().c_str(), [&](Statement& row) {
        WholeRecord::Visit visit{row.id(0), row.date(1), {}};
        for (size_t i = 0; i < kVisitTextCount; ++i)
            visit.texts.push_back(row.text(static_cast<int>(i) + 2));
        reader.visit(row.id(patientColumn), visit);
        return row.integer(0);
    });
}

} // namespace

bool WholeClinic::Read(Reader& reader, const Progress& progress, bool* stopped)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    bool stop = false;
    const bool read = Database::readWhole([&](Database& db) {
        reader.restart();
        Pages pages(db, progress);
        stop = !(readPatients(pages, reader) && readHistory(pages, reader) &&
                 readMedications(pages, reader) && readTests(pages, reader) &&
                 readVisits(pages, reader));
        return !stop;
    });
    if (stopped != nullptr)
        *stopped = stop;
    return read;
}

#include "store/VisitStatements.h"

namespace {

// The texts' columns, each followed by `after`, joined with `separator`.
std::string columns(const char* after, const char* separator)
{
    std::string text;
    for (const VisitField& field : kVisitFields)
        text += (text.empty() ? "" : separator) + std::string(field.column) + after;
    return text;
}

std::string parameters()
{
    std::string text = "?";
    for (size_t i = 0; i < kVisitTextCount; ++i)
        text += ", ?";
    return text;
}

} // namespace

const std::string& VisitStatements::insert()
{
    static const std::string sql = "INSERT INTO complaints (patient_ID, date, " +
                                   columns("", ", ") + ") VALUES (?, " + parameters() + ")";
    return sql;
}

const std::string& VisitStatements::update()
{
    static const std::string sql =
        "UPDATE complaints SET date = ?, " + columns(" = ?", ", ") + " WHERE compl_ID = ?";
    return sql;
}

const std::string& VisitStatements::updateUnlessChanged()
{
    static const std::string sql = update() + " AND date = ? AND " + columns(" = ?", " AND ");
    return sql;
}

const std::string& VisitStatements::details()
{
    static const std::string sql =
        "SELECT patient_ID, date, " + columns("", ", ") + " FROM complaints WHERE compl_ID = ?";
    return sql;
}

const std::string& VisitStatements::list()
{
    static const std::string sql =
        std::string("SELECT compl_ID, date, ") + kVisitFields[visitText("complaint")].column +
        ", " + kVisitFields[visitText("diagnosis")].column + ", " +
        kVisitFields[visitText("treatment")].column +
        " FROM complaints WHERE patient_ID = ? ORDER BY compl_ID";
    return sql;
}

const std::string& VisitStatements::ofPatient()
{
    static const std::string sql = "SELECT compl_ID, date, " + columns("", ", ") +
                                   " FROM complaints WHERE patient_ID = ? ORDER BY compl_ID";
    return sql;
}

const std::string& VisitStatements::page()
{
    static const std::string sql = "SELECT compl_ID, date, " + columns("", ", ") +
                                   ", patient_ID FROM complaints WHERE compl_ID > ?"
                                   " ORDER BY compl_ID LIMIT ?";
    return sql;
}

const std::string& VisitStatements::measurements()
{
    static const std::string sql = [] {
        std::string text = "SELECT compl_ID, date";
        for (const VisitField& field : kVisitFields)
            if (*field.unit)
                text += std::string(", ") + field.column;
        return text + " FROM complaints WHERE patient_ID = ? ORDER BY compl_ID";
    }();
    return sql;
}

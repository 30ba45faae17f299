#include "records/RecordsShapes.h"

#include "records/MedoraTables.h"
#include "records/RecordsSchema.h"
#include "store/SchemaSteps.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <vector>

namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;
using Query = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

// One object of a schema as sqlite_schema lists it: its kind, the table it belongs to and the
// statement that made it.
struct Entry {
    std::string type;
    std::string table;
    std::string sql;
    bool operator==(const Entry&) const = default;
};
using Entries = std::map<std::string, Entry>; // by name

// What a file of one version holds: the entries it must have, and those it may have.
struct Shape {
    Entries required;
    Entries optional;
};

Query prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    return Query(statement, &sqlite3_finalize);
}

std::string text(sqlite3_stmt* statement, int column) {
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return value ? value : "";
}

// The first column of the first row; empty when there is none.
std::string single(sqlite3* db, const char* sql) {
    const Query query = prepare(db, sql);
    return query && sqlite3_step(query.get()) == SQLITE_ROW ? text(query.get(), 0) : "";
}

// The statement with each run of white space outside quotes made one space: an upgrade step
// that makes a table writes it on lines of its own.
std::string normalised(const std::string& sql) {
    std::string out;
    char quote = 0;
    for (const char c : sql) {
        if (quote == 0 && std::isspace(static_cast<unsigned char>(c))) {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
            continue;
        }
        if (c == '\'' || c == '"')
            quote = quote == 0 ? c : quote == c ? 0 : quote;
        out += c;
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

bool readEntries(sqlite3* db, Entries& entries) {
    const Query query = prepare(db, "SELECT name, type, tbl_name, sql FROM sqlite_schema");
    if (!query)
        return false;
    int rc;
    while ((rc = sqlite3_step(query.get())) == SQLITE_ROW)
        entries[text(query.get(), 0)] = {text(query.get(), 1), text(query.get(), 2),
                                         normalised(text(query.get(), 3))};
    return rc == SQLITE_DONE;
}

// Made from the schema itself, so that every shape is written down in one place only.
const Entries& schemaEntries() {
    static const Entries entries = [] {
        Entries made;
        sqlite3* opened = nullptr;
        sqlite3_open_v2(":memory:", &opened, SQLITE_OPEN_READWRITE, nullptr);
        const Connection db(opened, &sqlite3_close_v2);
        if (!db || sqlite3_exec(db.get(), kRecordsSchema, nullptr, nullptr, nullptr) != SQLITE_OK ||
            !readEntries(db.get(), made))
            made.clear();
        return made;
    }();
    return entries;
}

// The shape of a step is the schema's less the tables that later steps add (SchemaSteps). Those
// tables may be there already, as this version makes them: rescued files, sample clinics and
// the server's backups of earlier versions carry the search's and the identity's at step 0, and
// files a newer program made and an older one wrote back carry the later ones; the upgrade
// makes the search's again, fills the identity and keeps the others as they are.
Shape shapeOf(int version) {
    std::vector<std::string> later;
    std::vector<std::string> laterIndexes;
    for (const SchemaStep* step : SchemaSteps::after(version)) {
        later.insert(later.end(), step->tables.begin(), step->tables.end());
        laterIndexes.insert(laterIndexes.end(), step->indexes.begin(), step->indexes.end());
    }
    Shape shape;
    for (const auto& [name, entry] : schemaEntries()) {
        if (std::find(later.begin(), later.end(), entry.table) == later.end() &&
            std::find(laterIndexes.begin(), laterIndexes.end(), name) == laterIndexes.end())
            shape.required.emplace(name, entry);
        else
            shape.optional.emplace(name, entry);
    }
    return shape;
}

std::string rowsOf(const std::string& table) {
    if (const MedoraTable* found = MedoraTables::find(table))
        return found->rows;
    return table == "sqlite_sequence" ? "numbers given" : table;
}

std::string withArticle(const std::string& type) {
    return (type == "index" ? "an " : "a ") + type;
}

std::vector<std::string> columnsOf(sqlite3* db, const std::string& table) {
    const Query query = prepare(db, "SELECT name FROM pragma_table_xinfo(?)");
    std::vector<std::string> columns;
    if (!query)
        return columns;
    sqlite3_bind_text(query.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(query.get()) == SQLITE_ROW)
        columns.push_back(text(query.get(), 0));
    return columns;
}

// A table of Medora's name made otherwise: a column added or taken away says most.
std::string tableDifference(sqlite3* db, const std::string& name) {
    const std::string what = "The backup's table of " + rowsOf(name);
    if (const MedoraTable* table = MedoraTables::find(name)) {
        const std::vector<std::string> columns = columnsOf(db, name);
        for (const std::string& column : columns)
            if (std::none_of(table->columns.begin(), table->columns.end(),
                             [&](const MedoraColumn& made) { return made.name == column; }))
                return what + " has a column Medora did not make (" + column + ").";
        for (const MedoraColumn& made : table->columns)
            if (std::find(columns.begin(), columns.end(), made.name) == columns.end())
                return what + " lacks a column Medora made (" + made.name + ").";
    }
    return what + " is not as Medora made it.";
}

const Entry* lookUp(const Entries& entries, const std::string& name) {
    const auto found = entries.find(name);
    return found == entries.end() ? nullptr : &found->second;
}

std::optional<std::string> unlike(sqlite3* db, const std::string& name, const Entry& entry,
                                  const Shape& shape) {
    const Entry* wanted = lookUp(shape.required, name);
    if (wanted == nullptr)
        wanted = lookUp(shape.optional, name);
    if (wanted == nullptr || wanted->type != entry.type)
        return "The backup holds " + withArticle(entry.type) + " Medora did not make (" + name +
               ").";
    if (*wanted == entry)
        return std::nullopt;
    if (entry.type == "table")
        return tableDifference(db, name);
    return "The backup's " + entry.type + " of the " + rowsOf(wanted->table) +
           " is not as Medora made it (" + name + ").";
}

std::string lacks(const std::string& name, const Entry& entry) {
    if (entry.type == "table")
        return "The backup lacks Medora's table of " + rowsOf(name) + ".";
    return "The backup lacks " + withArticle(entry.type) + " Medora made on the " +
           rowsOf(entry.table) + " (" + name + ").";
}

} // namespace

std::optional<std::string> RecordsShapes::difference(sqlite3* db) {
    if (schemaEntries().empty())
        return "The program cannot read the shape of its own records.";
    const std::string encoding = single(db, "PRAGMA encoding");
    if (encoding != "UTF-8")
        return "The backup keeps its text in an encoding Medora does not use (" + encoding + ").";
    const std::string version = single(db, "PRAGMA user_version");
    if (!version.empty() && std::stoi(version) > SchemaSteps::current())
        return "The backup was made by a newer version of Medora, which this one cannot restore.";
    if (version.empty() || std::stoi(version) < 0)
        return "The backup is of a version of Medora's records that this program does not know (" +
               version + ").";
    Entries found;
    if (!readEntries(db, found))
        return "The backup's list of tables cannot be read.";
    const Shape shape = shapeOf(std::stoi(version));
    // Code first: a trigger or a view is what could act on the records.
    for (const char* type : {"trigger", "view", "table", "index"})
        for (const auto& [name, entry] : found)
            if (entry.type == type)
                if (auto why = unlike(db, name, entry, shape))
                    return why;
    for (const auto& [name, entry] : found)
        if (auto why = unlike(db, name, entry, shape))
            return why;
    // A table the program makes anew brings its indexes.
    for (const auto& [name, entry] : shape.optional)
        if (entry.type == "table" && found.count(name))
            for (const auto& [index, made] : shape.optional)
                if (made.table == name && !found.count(index))
                    return lacks(index, made);
    for (const auto& [name, entry] : shape.required)
        if (!found.count(name))
            return lacks(name, entry);
    return std::nullopt;
}

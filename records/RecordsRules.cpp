#include "records/RecordsRules.h"

#include "records/MedoraTables.h"
#include "store/DateTime.h"
#include "store/SchemaSteps.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using Query = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;
using Outcome = std::optional<std::string>;

const char* const kUnreadable = "The backup's rows cannot be read.";

Query prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    return Query(statement, &sqlite3_finalize);
}

std::string text(sqlite3_stmt* statement, int column) {
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return value ? value : "";
}

// The length of the UTF-8 sequence that starts the bytes, or 0 when they start none: no
// overlong form, no surrogate, nothing past U+10FFFF.
size_t sequenceLength(const unsigned char* at, size_t left) {
    const unsigned char lead = at[0];
    if (lead < 0x80)
        return 1;
    const size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length == 0 || length > left)
        return 0;
    for (size_t i = 1; i < length; ++i)
        if ((at[i] & 0xC0) != 0x80)
            return 0;
    const unsigned char second = at[1];
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

// Why the bytes are no text the program takes: "nul" or "utf8"; nothing when they are.
const char* textFault(const unsigned char* bytes, size_t size) {
    for (size_t at = 0; at < size;) {
        if (bytes[at] > 0 && bytes[at] < 0x80) {
            ++at;
            continue;
        }
        if (bytes[at] == 0)
            return "nul";
        const size_t length = sequenceLength(bytes + at, size - at);
        if (length == 0)
            return "utf8";
        at += length;
    }
    return nullptr;
}

// SQL's medora_text_fault(value, ...): 'nul' or 'utf8' for the first of the texts given that
// holds a NUL or is not UTF-8, else NULL. The engine keeps any bytes as text; the server takes
// neither. One call for all of a row's texts costs a fraction of one for each.
void textFaults(sqlite3_context* context, int count, sqlite3_value** values) {
    for (int i = 0; i < count; ++i) {
        if (sqlite3_value_type(values[i]) != SQLITE_TEXT)
            continue;
        const auto* bytes = sqlite3_value_text(values[i]);
        if (const char* fault = textFault(bytes, size_t(sqlite3_value_bytes(values[i])))) {
            sqlite3_result_text(context, fault, -1, SQLITE_STATIC);
            return;
        }
    }
}

// SQL's medora_date_fault(text): NULL for a date the program reads back (its own form and a
// real day) of a year the server holds too, else the text 'date'.
void dateFault(sqlite3_context* context, int, sqlite3_value** values) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    const std::string text(bytes ? bytes : "", size_t(sqlite3_value_bytes(values[0])));
    DateTime read;
    if (sqlite3_value_type(values[0]) == SQLITE_TEXT && DateTime::fromIso(text, read) &&
        text.compare(0, 4, "0000") != 0)
        return;
    sqlite3_result_text(context, "date", -1, SQLITE_STATIC);
}

std::string keyOf(const MedoraTable& table) {
    return table.key.empty() ? "rowid" : table.key;
}

std::string number(long long value) {
    return std::to_string(value);
}

// The keys lie between 1 and the last number but one, so that a number is left to give; the
// memory of the numbers given (sqlite_sequence) is there once, within that range, and not
// below the largest key.
Outcome numbersOf(sqlite3* db, const MedoraTable& table) {
    // Each bound alone, so that each reads one end of the key's b-tree.
    const Query keys =
        prepare(db, "SELECT (SELECT min(" + keyOf(table) + ") FROM " + table.name +
                        "), (SELECT max(" + keyOf(table) + ") FROM " + table.name + ")");
    if (!keys || sqlite3_step(keys.get()) != SQLITE_ROW)
        return kUnreadable;
    const bool held = sqlite3_column_type(keys.get(), 0) != SQLITE_NULL;
    const long long least = sqlite3_column_int64(keys.get(), 0);
    const long long largest = sqlite3_column_int64(keys.get(), 1);
    if (held && least < 1)
        return table.row + " " + number(least) + " has a number Medora does not give.";
    if (held && largest >= RecordsRules::kLastNumber)
        return table.row + " " + number(largest) +
               " is numbered at or beyond the last number Medora can give (" +
               number(RecordsRules::kLastNumber) + ").";
    if (!table.autoincrement)
        return std::nullopt;
    const Query given = prepare(db, "SELECT seq FROM sqlite_sequence WHERE name = ?");
    if (!given)
        return kUnreadable;
    sqlite3_bind_text(given.get(), 1, table.name.c_str(), -1, SQLITE_TRANSIENT);
    const std::string what = "the numbers given to the " + table.rows;
    if (sqlite3_step(given.get()) != SQLITE_ROW)
        return held ? Outcome("The backup does not say " + what + ".") : std::nullopt;
    const long long seq = sqlite3_column_int64(given.get(), 0);
    if (sqlite3_column_type(given.get(), 0) != SQLITE_INTEGER || seq < 0 ||
        sqlite3_step(given.get()) != SQLITE_DONE)
        return "The backup's count of " + what + " cannot be read.";
    if (seq >= RecordsRules::kLastNumber)
        return "The backup has given the " + table.rows + " numbers up to " + number(seq) +
               ", at or beyond the last number Medora can give (" +
               number(RecordsRules::kLastNumber) + ").";
    if (held && seq < largest)
        return "The backup has given the " + table.rows + " numbers only up to " + number(seq) +
               ", yet it holds " + table.row + " " + number(largest) + ".";
    return std::nullopt;
}

Outcome strangeCounts(sqlite3* db) {
    const Query names = prepare(db, "SELECT name FROM sqlite_sequence");
    if (!names)
        return kUnreadable;
    while (sqlite3_step(names.get()) == SQLITE_ROW) {
        const MedoraTable* table = MedoraTables::find(text(names.get(), 0));
        if (table == nullptr || !table->autoincrement)
            return "The backup counts numbers given to a table Medora did not make (" +
                   text(names.get(), 0) + ").";
    }
    return std::nullopt;
}

Outcome clinicDetails(sqlite3* db) {
    const Query rows = prepare(db, "SELECT count(*) FROM clinic_info");
    if (!rows || sqlite3_step(rows.get()) != SQLITE_ROW)
        return kUnreadable;
    const long long held = sqlite3_column_int64(rows.get(), 0);
    if (held == 0)
        return std::string("The backup holds no clinic details.");
    if (held > 1)
        return "The backup holds " + number(held) + " sets of clinic details; Medora keeps one.";
    return std::nullopt;
}

Outcome belongsToPatient(sqlite3* db, const MedoraTable& table) {
    const Query orphan = prepare(db, "SELECT " + keyOf(table) + " FROM " + table.name +
                                         " WHERE patient_ID NOT IN (SELECT ID FROM patient_info)"
                                         " LIMIT 1");
    if (!orphan)
        return kUnreadable;
    const int rc = sqlite3_step(orphan.get());
    if (rc == SQLITE_ROW)
        return table.row + " " + text(orphan.get(), 0) + " belongs to no patient.";
    return rc == SQLITE_DONE ? std::nullopt : Outcome(kUnreadable);
}

// One pass over the rows for the dates and the texts, each kind in one call per row.
std::string contentsFault(const MedoraTable& table) {
    std::string faults, texts;
    for (const MedoraColumn& column : table.columns) {
        if (column.date)
            faults += "iif(medora_date_fault(" + column.name + ") IS NULL, NULL, 'date " +
                      column.name + "'), ";
        else if (!column.integer)
            texts += (texts.empty() ? "" : ", ") + column.name;
    }
    faults += texts.empty() ? "NULL" : "medora_text_fault(" + texts + ")";
    return faults == "NULL" ? "" : "coalesce(" + faults + ", NULL)";
}

Outcome contentsOf(sqlite3* db, const MedoraTable& table) {
    const std::string fault = contentsFault(table);
    if (fault.empty())
        return std::nullopt;
    const Query found = prepare(db, "SELECT " + keyOf(table) + ", fault FROM (SELECT " +
                                        keyOf(table) + ", " + fault + " AS fault FROM " +
                                        table.name + ") WHERE fault IS NOT NULL LIMIT 1");
    if (!found)
        return kUnreadable;
    const int rc = sqlite3_step(found.get());
    if (rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? std::nullopt : Outcome(kUnreadable);
    const std::string which = table.row + " " + text(found.get(), 0);
    const std::string kind = text(found.get(), 1);
    if (kind == "nul")
        return which + " holds text with a NUL character.";
    if (kind == "utf8")
        return which + " holds text that is not valid UTF-8.";
    const std::string column = kind.substr(kind.find(' ') + 1);
    return which + "'s " + (column == "DOB" ? "date of birth" : column) +
           " is not a date Medora can read.";
}

bool holds(sqlite3* db, const std::string& table) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?", -1,
                       &statement, nullptr);
    sqlite3_bind_text(statement, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    const bool found = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    return found;
}

// Whether records of an earlier step lack the table: the steps since made it.
bool addedByAStep(const std::string& table) {
    return std::any_of(SchemaSteps::all().begin(), SchemaSteps::all().end(),
                       [&](const SchemaStep& step) {
                           return std::find(step.tables.begin(), step.tables.end(), table) !=
                                  step.tables.end();
                       });
}

} // namespace

std::optional<std::string> RecordsRules::breach(sqlite3* db) {
    const int kind = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY;
    if (sqlite3_create_function(db, "medora_text_fault", -1, kind, nullptr, textFaults, nullptr,
                                nullptr) != SQLITE_OK ||
        sqlite3_create_function(db, "medora_date_fault", 1, kind, nullptr, dateFault, nullptr,
                                nullptr) != SQLITE_OK)
        return kUnreadable;
    // The shape allows a file of an earlier step to lack the tables later steps made.
    std::vector<const MedoraTable*> tables;
    for (const MedoraTable& table : MedoraTables::all())
        if (!table.derived && (!addedByAStep(table.name) || holds(db, table.name)))
            tables.push_back(&table);
    for (const MedoraTable* table : tables)
        if (auto why = numbersOf(db, *table))
            return why;
    if (auto why = strangeCounts(db))
        return why;
    if (auto why = clinicDetails(db))
        return why;
    for (const MedoraTable* table : tables)
        if (table->name != "patient_info" &&
            std::any_of(table->columns.begin(), table->columns.end(),
                        [](const MedoraColumn& column) { return column.name == "patient_ID"; }))
            if (auto why = belongsToPatient(db, *table))
                return why;
    for (const MedoraTable* table : tables)
        if (auto why = contentsOf(db, *table))
            return why;
    return std::nullopt;
}

#include "store/RowHelpers.h"

#include "store/ListMarks.h"

bool patientExists(Database& db, int patientId)
{
    return db.prepare("SELECT 1 FROM patient_info WHERE ID = ?").bind(1, patientId).step();
}

bool deleteRowById(const char* sql, const std::string& id)
{
    int key = 0;
    if (!parseRecordId(id, key))
        return Database::refuse();
    return Database::run([&](Database& db) {
        db.prepare(sql).bind(1, key).run();
        return db.changes() == 1;
    });
}

bool fetchNames(const char* sql, std::vector<std::string>& names)
{
    const ListMarks marks(names);
    return Database::read([&](Database& db) {
        marks.cutBack();
        Statement rows = db.prepare(sql);
        while (rows.step())
            names.push_back(rows.text(0));
        return true;
    });
}

bool addNameOnce(const char* findSql, const char* insertSql, const std::string& name)
{
    return Database::run([&](Database& db) {
        if (!db.prepare(findSql).bind(1, name).step())
            db.prepare(insertSql).bind(1, name).run();
        return true;
    });
}

#include "store/VisitMeasurementList.h"

#include "store/Database.h"
#include "store/Session.h"
#include "store/ListMarks.h"
#include "store/RecordId.h"
#include "store/VisitStatements.h"

bool VisitMeasurementList::Fetch(const std::string& patientId) {
    if (!Session::mayCare())
        return Database::notAllowed();
    int key = 0;
    if (!parseRecordId(patientId, key))
        return Database::refuse();
    const ListMarks marks(m_ids, m_dates, m_texts);
    return Database::read([&](Database& db) {
        marks.cutBack();
        Statement rows = db.prepare(VisitStatements::measurements().c_str());
        rows.bind(1, key);
        while (rows.step()) {
            m_ids.push_back(rows.id(0));
            m_dates.push_back(rows.date(1));
            std::vector<std::string> texts(kVisitTextCount);
            int column = 2;
            for (size_t i = 0; i < kVisitTextCount; ++i)
                if (*kVisitFields[i].unit)
                    texts[i] = rows.text(column++);
            m_texts.push_back(std::move(texts));
        }
        return true;
    });
}

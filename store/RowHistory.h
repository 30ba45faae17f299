#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The versions of one row of a patient's records, oldest first, as the audit trail tells them,
// and the patient's rows of one kind that were deleted and are not back. An earlier version is
// put back as a new change, which the trail records in turn: the row updated by the usual
// operations while it is there, or, once deleted, brought back with its old number.
class RowHistory {
public:
    enum class Kind { Particulars, Visit, HistoryEntry, Medication, Test };

    struct Version {
        std::string when; // local time, "YYYY-MM-DD HH:MM:SS"
        std::string who;
        std::string action; // "insert", "update" or "delete"; empty for the row as the first
                            // change found it, when the row is older than the trail
        // The row as the change left it (a delete: as it was before), in the order of
        // columns(kind); dates "YYYY-MM-DD HH:MM:SS", numbers in decimal.
        std::vector<std::string> fields;
    };

    struct DeletedRow {
        std::string id;
        Version deletion;
    };

    // A column a kind's versions hold, as the records file names it, and as the screens call
    // the field it holds.
    struct Field {
        std::string column;
        std::string label;
    };
    static std::vector<Field> fields(Kind kind);
    // The columns of fields(kind), in their order.
    static std::vector<std::string> columns(Kind kind);

    // The versions of the row `recordId` of the patient (for the particulars, the patient's
    // own number). A row the trail knows nothing of has no version.
    bool Fetch(Kind kind, const std::string& patientId, const std::string& recordId);
    // The patient's rows of the kind that were deleted and are not back, oldest first.
    bool FetchDeleted(Kind kind, const std::string& patientId);
    // Puts back m_versions[index] of the row Fetch read last: an update, only while the row
    // still holds what the newest version says (else LastFailure says ChangedElsewhere), or,
    // when the row was deleted, the row again with its number. A version that only says the
    // row was deleted, or a kind the program never updates while it is there, is refused.
    bool Restore(size_t index);

    std::vector<Version> m_versions;
    std::vector<DeletedRow> m_deleted;

private:
    bool bringBack(const Version& version);

    Kind m_kind = Kind::Particulars;
    std::string m_patientId;
    std::string m_recordId;
};

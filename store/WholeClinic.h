#pragma once

#include "store/PatientDetails.h"
#include "store/WholeRecord.h"

#include <functional>
#include <string>

// Every patient's record, read table by table in one transaction, so on either engine one
// moment's records. The rows are read a page at a time in the order they were stored and
// handed to a reader as they come, so that what is held in memory does not grow with the
// clinic.
class WholeClinic
{
public:
    class Reader
    {
    public:
        virtual ~Reader() = default;
        // The engine may run the reading again after undoing it; whatever was read before is
        // then to be forgotten.
        virtual void restart() = 0;
        virtual void patient(const std::string& patientId, const PatientDetails& details) = 0;
        // `kind` as stored: "Medical", "Surgical", "Social", "Family" or "Allergies".
        virtual void history(const std::string& patientId, const std::string& kind,
                             const WholeRecord::Entry& entry) = 0;
        virtual void medication(const std::string& patientId,
                                const WholeRecord::Medication& medication) = 0;
        virtual void test(const std::string& patientId, const WholeRecord::Test& test) = 0;
        virtual void visit(const std::string& patientId, const WholeRecord::Visit& visit) = 0;
    };

    // Told the share of the rows read after each page; answering false stops the reading.
    using Progress = std::function<bool(double done)>;

    // False when the records could not be read (LastFailure says why) or the reading was
    // stopped, which `stopped` then tells. A large clinic takes longer to read than a desk's
    // operation may: the reading is bounded statement by statement (Engine::Span::WholeRecords).
    static bool Read(Reader& reader, const Progress& progress = {}, bool* stopped = nullptr);

    // The rows read at a time.
    static constexpr int kPageRows = 1000;
};

#include "exchange/FhirBulkExport.h"

#include "exchange/FhirResources.h"
#include "exchange/FhirTime.h"
#include "records/PendingFile.h"
#include "store/LastFailure.h"
#include "store/WholeClinic.h"

#include <filesystem>
#include <map>
#include <memory>
#include <new>

namespace {

// Lines are gathered and written in pieces of about this size.
constexpr size_t kPiece = 1 << 20;
// The share of the work that reading the records takes, as the user is told it.
constexpr double kReadingShare = 0.98;

// One file of the export, pending until every file is whole.
struct TypeFile {
    std::string name;
    std::unique_ptr<PendingFile> file;
    std::string piece;
    long long resources = 0;
    int error = 0;

    void start(const std::string& folder)
    {
        file = std::make_unique<PendingFile>(PendingFile::realName(folder + "/" + name));
        piece.clear();
        resources = 0;
        error = file->creationError();
    }

    void add(const std::string& text)
    {
        piece += text;
        if (piece.size() >= kPiece)
            flush();
    }

    void flush()
    {
        if (error == 0 && !piece.empty())
            error = file->append(piece.data(), piece.size());
        piece.clear();
    }
};

class BulkWriter : public WholeClinic::Reader
{
public:
    explicit BulkWriter(const std::string& folder) : m_folder(folder)
    {
        for (const std::string& type : FhirBulkExport::types())
            m_files[type].name = type + ".ndjson";
        m_files["README"].name = "README.md";
    }

    void restart() override
    {
        for (auto& [type, file] : m_files)
            file.start(m_folder);
    }

    void patient(const std::string& patientId, const PatientDetails& details) override
    {
        FhirResources(patientId, m_sink).patient(details);
    }
    void history(const std::string& patientId, const std::string& kind,
                 const WholeRecord::Entry& entry) override
    {
        FhirResources(patientId, m_sink).history(kind, entry);
    }
    void medication(const std::string& patientId,
                    const WholeRecord::Medication& medication) override
    {
        FhirResources(patientId, m_sink).medication(medication);
    }
    void test(const std::string& patientId, const WholeRecord::Test& test) override
    {
        FhirResources(patientId, m_sink).test(test);
    }
    void visit(const std::string& patientId, const WholeRecord::Visit& visit) override
    {
        FhirResources(patientId, m_sink).visit(visit);
    }

    // Whether a file could not be written, which makes reading on pointless.
    bool failing() const
    {
        for (const auto& [type, file] : m_files)
            if (file.error != 0)
                return true;
        return false;
    }

    // errno of the first file that failed, with its name; 0 once every file is in place.
    int finish(std::string& failed, std::vector<FhirBulkExport::Written>& written)
    {
        TypeFile& readme = m_files["README"];
        readme.add(readmeText());
        for (auto& [type, file] : m_files) {
            file.flush();
            if (file.error == 0)
                file.error = file.file->finish();
            if (file.error != 0) {
                failed = file.name;
                return file.error;
            }
            if (&file != &readme)
                written.push_back({type, file.resources});
        }
        for (auto& [type, file] : m_files)
            if (const int error = file.file->place()) {
                failed = file.name;
                return error;
            }
        return 0;
    }

private:
    std::string readmeText() const
    {
        std::string text =
            "# Medora's records in FHIR R4\n\n"
            "Written by Medora " MEDORA_VERSION " on " +
            FhirTime::dateTime(DateTime::currentLocal()) +
            ", from the records as they were at one moment.\n\n"
            "The format is HL7 FHIR R4 (4.0.1) as FHIR Bulk Data writes it: NDJSON, one file per "
            "resource type, each line one resource in JSON, in UTF-8. Each resource refers to its "
            "patient as `Patient/patient-N`, N the patient's record number in Medora, and a "
            "resource of a visit refers to its Encounter. How each of Medora's fields maps to "
            "FHIR is described in Medora's `fhir.md` (installed as "
            "/usr/share/doc/medora/fhir.md.gz).\n\n"
            "| File | Resources |\n|---|---|\n";
        for (const auto& [type, file] : m_files)
            if (type != "README")
                text += "| " + file.name + " | " + std::to_string(file.resources) + " |\n";
        return text;
    }

    void add(nlohmann::ordered_json resource)
    {
        TypeFile& file = m_files[resource["resourceType"].get<std::string>()];
        file.add(resource.dump(-1, ' ', false) + "\n");
        ++file.resources;
    }

    const std::string m_folder;
    std::map<std::string, TypeFile> m_files;
    const FhirResources::Sink m_sink = [this](nlohmann::ordered_json r) { add(std::move(r)); };
};

} // namespace

const std::vector<std::string>& FhirBulkExport::types()
{
    static const std::vector<std::string> names = {
        "AllergyIntolerance",  "CarePlan",    "Condition", "Encounter", "FamilyMemberHistory",
        "MedicationStatement", "Observation", "Patient",   "Procedure"};
    return names;
}

std::optional<FileFailure> FhirBulkExport::writeClinic(const std::string& folder,
                                                       std::vector<Written>* written,
                                                       const Progress& progress)
{
    std::vector<Written> counts;
    try {
        BulkWriter writer(folder);
        // The files are put in place after the reading: the last stretch is theirs.
        bool cancelled = false;
        const auto reading = [&](double done) {
            cancelled = !goOn(progress, done * kReadingShare);
            return !cancelled && !writer.failing();
        };
        bool stopped = false;
        if (!WholeClinic::Read(writer, reading, &stopped) && !stopped) {
            const std::string why = LastFailure::message();
            return FileFailure{FileFailure::Refused, folder,
                               (why.empty() ? "The records could not be read." : why) +
                                   " Nothing was written to " + folder + "."};
        }
        if (cancelled)
            return FileFailure{FileFailure::Cancelled, folder};
        std::string failed;
        if (const int error = writer.finish(failed, counts))
            return FileFailure::fromErrno(error, folder + "/" + failed);
    } catch (const nlohmann::json::type_error&) {
        return FileFailure{FileFailure::Refused, folder,
                           "The records hold text that is not UTF-8, which FHIR cannot carry, so "
                           "nothing was written to " +
                               folder + "."};
    } catch (const std::bad_alloc&) {
        return FileFailure{FileFailure::OutOfMemory, folder};
    }
    if (written != nullptr)
        *written = std::move(counts);
    goOn(progress, 1.0);
    return std::nullopt;
}

#pragma once

#include "records/RecordsEngine.h"

#include <string>

// The records file on this computer, backed up and restored byte for byte.
class FileRecords : public RecordsEngine {
public:
    explicit FileRecords(std::string file) : m_file(std::move(file)) {}

    bool exists() const override;
    Outcome backup(const std::string& target, const Progress& progress) const override;
    Outcome identity(std::string& id) const override;
    // Damaged records are what a restore most often mends, and they give no proven backup:
    // they are kept byte for byte instead, for a later rescue, and the restored records get a
    // new identity when theirs cannot be read.
    Outcome keep(BeforeRestore& keep, std::string& id, const Progress& progress) const override;
    Outcome replace(const std::string& source, const std::string& id,
                    const Progress& progress) const override;
    Outcome check() const override;
    std::unique_ptr<RecordsRescue> rescue() const override;

private:
    bool readIdentity(std::string& id) const;
    FileFailure whyNoIdentity() const;

    std::string m_file;
};

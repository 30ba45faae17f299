#include "records/DailyBackups.h"

#include "records/BackupRetention.h"
#include "records/RecordsBackup.h"

#include <dirent.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace {

struct CloseDir {
    void operator()(DIR* dir) const { closedir(dir); }
};

} // namespace

std::string DailyBackups::fileFor(const DateTime& day) const {
    return m_folder + "/" + BackupRetention::fileName(m_identity, day);
}

bool DailyBackups::hasBackupOf(const DateTime& day) const {
    return access(fileFor(day).c_str(), F_OK) == 0;
}

DailyBackups::Outcome DailyBackups::make(const DateTime& day, const Progress& progress) const {
    if (auto failure = RecordsBackup::backup(fileFor(day), progress))
        return failure;
    thinOut();
    return std::nullopt;
}

// A backup that cannot be deleted now is tried again after the next one.
void DailyBackups::thinOut() const {
    const std::unique_ptr<DIR, CloseDir> dir(opendir(m_folder.c_str()));
    if (!dir)
        return;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir.get()))
        names.emplace_back(entry->d_name);
    for (const std::string& name : BackupRetention::toDelete(m_identity, names))
        unlink((m_folder + "/" + name).c_str());
}

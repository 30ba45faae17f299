#include "app/AutoBackup.h"

#include "app/BackupSettings.h"
#include "records/DailyBackups.h"
#include "records/PendingFile.h"
#include "records/RecordsBackup.h"
#include "records/RecordsEngine.h"
#include "store/Engine.h"
#include "store/Session.h"
#include "tools/DataFolder.h"

#include <QCoreApplication>

#include <chrono>

namespace {

AutoBackup::Clock& chosenClock() {
    static AutoBackup::Clock chosen;
    return chosen;
}

int& chosenCloseSeconds() {
    static int seconds = 0;
    return seconds;
}

AutoBackup::StepWatch& chosenWatch() {
    static AutoBackup::StepWatch watch;
    return watch;
}

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool recordsExist() {
    return RecordsEngine::current()->exists();
}

} // namespace

AutoBackup::AutoBackup(std::function<void()> reported, Damaged damaged)
    : m_reported(std::move(reported)), m_damaged(std::move(damaged)) {}

AutoBackup::~AutoBackup() {
    if (m_worker.joinable())
        m_worker.join();
}

void AutoBackup::setClock(Clock chosen) {
    chosenClock() = std::move(chosen);
}

DateTime AutoBackup::now() {
    return chosenClock() ? chosenClock()() : DateTime::currentLocal();
}

void AutoBackup::setCloseSeconds(int seconds) {
    chosenCloseSeconds() = seconds;
}

int AutoBackup::closeSeconds() {
    return chosenCloseSeconds() > 0 ? chosenCloseSeconds() : kCloseSeconds;
}

void AutoBackup::setStepWatch(StepWatch watch) {
    chosenWatch() = std::move(watch);
}

bool AutoBackup::madeHere() {
    return Engine::serverConnection().empty() || Session::mayAdminister();
}

void AutoBackup::atStart() {
    if (m_running || !madeHere())
        return;
    wait();
    // What a copy that was killed left behind, beside the records or a backup.
    PendingFile::removeLeftovers(".");
    PendingFile::removeLeftovers(BackupSettings::folder());
    if (const std::string manual = BackupSettings::lastManualFolder(); !manual.empty())
        PendingFile::removeLeftovers(manual);
    // A program started without records has nothing to back up until they are chosen.
    if (!recordsExist()) {
        BackupSettings::useRecords({});
        return;
    }
    run(now(), true);
}

void AutoBackup::atClose() {
    m_deadline = steadySeconds() + closeSeconds();
    wait();
    if (recordsExist() && madeHere()) {
        run(now(), false);
        wait();
    }
    m_deadline = 0;
}

void AutoBackup::wait() {
    if (m_worker.joinable())
        m_worker.join();
    QCoreApplication::sendPostedEvents(&m_receiver, QEvent::MetaCall);
}

// The default folder is made when missing; one the user chose is not, so that a drive that
// is not plugged in is reported rather than written under its empty mount point.
void AutoBackup::makeDefaultFolder(const std::string& folder) {
    if (BackupSettings::folderIsDefault())
        DataFolder::makePrivate(folder);
}

// The records are backed up under the identity they carry, which is read beside the screens
// as the backup is, and their outcome is kept under it.
void AutoBackup::run(const DateTime& day, bool unlessMade) {
    const std::string folder = BackupSettings::folder();
    makeDefaultFolder(folder);
    m_running = true;
    m_worker = std::thread([this, folder, day, unlessMade] {
        std::string identity;
        auto failure = RecordsBackup::identity(identity);
        const DailyBackups backups(folder, identity);
        const bool made = failure || !unlessMade || !backups.hasBackupOf(day);
        if (!failure && made)
            failure = backups.make(day, [this](double done) {
                if (chosenWatch())
                    chosenWatch()(done);
                const double deadline = m_deadline;
                return deadline == 0 || steadySeconds() < deadline;
            });
        QMetaObject::invokeMethod(
            &m_receiver,
            [this, failure, day, identity, made] { report(failure, day, identity, made); },
            Qt::QueuedConnection);
        m_running = false;
    });
}

// Only closing stops a backup, once it has waited closeSeconds() for it. Damage found while
// the program closes is not offered for rescue then: the next start finds it again.
void AutoBackup::report(const std::optional<FileFailure>& failure, const DateTime& when,
                        const std::string& identity, bool made) {
    BackupSettings::useRecords(identity);
    if (made && !failure)
        BackupSettings::proven(identity, when);
    else if (made && failure->kind == FileFailure::Cancelled)
        BackupSettings::failed(identity,
                               "a backup still running " + std::to_string(closeSeconds()) +
                                   " seconds after Medora was closed was stopped; the earlier "
                                   "backups were kept.");
    else if (made)
        BackupSettings::failed(identity, failure->describe());
    if (m_reported)
        m_reported();
    if (failure && failure->kind == FileFailure::Damaged && !closing() && m_damaged)
        m_damaged(*failure);
}

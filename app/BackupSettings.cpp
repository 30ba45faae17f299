#include "app/BackupSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const char* kFolder = "Backups/Folder";
const char* kManualFolder = "Backups/ManualFolder";
constexpr double kStaleDays = 7;

std::string& inUse() {
    static std::string identity;
    return identity;
}

// The setting of that name for the records of that identity.
QString keyOf(const std::string& identity, const char* name) {
    return QString("Backups/Records-%1/%2")
        .arg(identity.empty() ? QString("unknown") : QString::fromStdString(identity), name);
}

std::string lastFailure() {
    return QSettings().value(keyOf(inUse(), "LastFailure")).toString().toStdString();
}

// Nothing proven yet reads as the earliest date.
DateTime lastProven() {
    DateTime when;
    DateTime::fromIso(QSettings().value(keyOf(inUse(), "LastProven")).toString().toStdString(),
                      when);
    return when;
}

} // namespace

std::string BackupSettings::folder() {
    const QString chosen = QSettings().value(kFolder).toString();
    return (chosen.isEmpty() ? QDir::current().absoluteFilePath("backups") : chosen).toStdString();
}

bool BackupSettings::folderIsDefault() {
    return QSettings().value(kFolder).toString().isEmpty();
}

void BackupSettings::chooseFolder(const std::string& folder) {
    QSettings settings;
    if (folder.empty())
        settings.remove(kFolder);
    else
        settings.setValue(kFolder, QString::fromStdString(folder));
}

std::string BackupSettings::missingFolder(const std::string& chosen) {
    if (chosen.empty() || QFileInfo(QString::fromStdString(chosen)).isDir())
        return {};
    return "The folder " + chosen + " is not there; is the drive connected?";
}

std::string BackupSettings::lastManualFolder() {
    return QSettings().value(kManualFolder).toString().toStdString();
}

void BackupSettings::rememberManualBackup(const std::string& file) {
    QSettings().setValue(kManualFolder, QFileInfo(QString::fromStdString(file)).absolutePath());
}

void BackupSettings::useRecords(const std::string& identity) {
    inUse() = identity;
}

const std::string& BackupSettings::recordsInUse() {
    return inUse();
}

void BackupSettings::proven(const std::string& identity, const DateTime& when) {
    QSettings settings;
    settings.setValue(keyOf(identity, "LastProven"), QString::fromStdString(when.toIso()));
    settings.remove(keyOf(identity, "LastFailure"));
}

// The reason is shown on one line.
void BackupSettings::failed(const std::string& identity, const std::string& reason) {
    QSettings().setValue(keyOf(identity, "LastFailure"),
                         QString::fromStdString(reason).replace('\n', ' '));
}

std::string BackupSettings::statusText(const DateTime& now) {
    const DateTime when = lastProven();
    std::string text = "Last checked backup: " +
                       (when.days() == 0 ? std::string("none") : when.format("%A %d %B, %Y %H:%M"));
    if (const std::string failure = lastFailure(); !failure.empty())
        return text + ". The last backup failed: " + failure;
    if (warns(now))
        text += ". No backup has passed its check for more than 7 days.";
    return text;
}

bool BackupSettings::warns(const DateTime& now) {
    return !lastFailure().empty() || now.days() - lastProven().days() > kStaleDays;
}

#include "app/BackupSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const char* kFolder = "Backups/Folder";
const char* kLastProven = "Backups/LastProven";
const char* kLastFailure = "Backups/LastFailure";
const char* kManualFolder = "Backups/ManualFolder";
constexpr double kStaleDays = 7;

std::string lastFailure() {
    return QSettings().value(kLastFailure).toString().toStdString();
}

// Nothing proven yet reads as the earliest date.
DateTime lastProven() {
    DateTime when;
    DateTime::fromIso(QSettings().value(kLastProven).toString().toStdString(), when);
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

std::string BackupSettings::lastManualFolder() {
    return QSettings().value(kManualFolder).toString().toStdString();
}

void BackupSettings::rememberManualBackup(const std::string& file) {
    QSettings().setValue(kManualFolder, QFileInfo(QString::fromStdString(file)).absolutePath());
}

void BackupSettings::proven(const DateTime& when) {
    QSettings settings;
    settings.setValue(kLastProven, QString::fromStdString(when.toIso()));
    settings.remove(kLastFailure);
}

// The reason is shown on one line.
void BackupSettings::failed(const std::string& reason) {
    QSettings().setValue(kLastFailure, QString::fromStdString(reason).replace('\n', ' '));
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

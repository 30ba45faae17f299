#include "app/BackupsDialog.h"

#include "app/BackupSettings.h"
#include "platform/DataExchange.h"
#include "platform/FileDialog.h"
#include "res/Forms.h"
#include "res/resource.h"

BackupsDialog::BackupsDialog(QWidget* parent)
    : Dialog(kBackupsForm, parent),
      folder(BackupSettings::folderIsDefault() ? std::string() : BackupSettings::folder()) {
    onClicked(IDC_BACKUPS_BROWSE, [this] { browse(); });
}

void BackupsDialog::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_BACKUPS_FOLDER, folder);
}

void BackupsDialog::OnOK() {
    UpdateData(true);
    BackupSettings::chooseFolder(folder);
    EndDialog(IDOK);
}

// The chooser opens in the folder typed so far; cancelled, it leaves the field as it was.
void BackupsDialog::browse() {
    UpdateData(true);
    if (const auto chosen = FileDialog::choose(this, {FileRequest::Folder, "", "", folder})) {
        folder = *chosen;
        UpdateData(false);
    }
}

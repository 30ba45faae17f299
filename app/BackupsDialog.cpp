#include "app/BackupsDialog.h"

#include "app/BackupSettings.h"
#include "platform/DataExchange.h"
#include "res/Forms.h"
#include "res/resource.h"

BackupsDialog::BackupsDialog(QWidget* parent)
    : Dialog(kBackupsForm, parent),
      folder(BackupSettings::folderIsDefault() ? std::string() : BackupSettings::folder()) {}

void BackupsDialog::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_BACKUPS_FOLDER, folder);
}

void BackupsDialog::OnOK() {
    UpdateData(true);
    BackupSettings::chooseFolder(folder);
    EndDialog(IDOK);
}

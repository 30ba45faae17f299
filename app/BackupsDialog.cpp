#include "app/BackupsDialog.h"

#include "app/BackupSettings.h"
#include "app/Screens.h"
#include "platform/DataExchange.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
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

// A folder that is not there is kept, as the drive may be plugged in later, but the user is
// told at once.
void BackupsDialog::OnOK() {
    UpdateData(true);
    if (const std::string missing = BackupSettings::missingFolder(folder); !missing.empty())
        MessageBox(this, missing, kAppTitle, MsgIcon::Exclamation);
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

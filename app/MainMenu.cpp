#include "app/MainMenu.h"

#include "app/AutoBackup.h"
#include "app/BackupSettings.h"
#include "app/BackupsDialog.h"
#include "app/CMainFrame.h"
#include "app/RecordsExchange.h"
#include "app/RescueRecords.h"
#include "app/Screens.h"
#include "platform/DataExchange.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "screens/AccessNote.h"
#include "platform/ProgressDialog.h"
#include "records/RecordsBackup.h"
#include "records/RecordsEngine.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/RoleRights.h"
#include "screens/Navigator.h"
#include "screens/StoreFailure.h"
#include "store/Database.h"
#include "store/DateTime.h"
#include "store/PatientNameList.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <optional>

namespace {
const int kTaskButtons[] = {IDC_MAIN_ADD_PATIENT, IDC_MAIN_FIND_NAME,    IDC_MAIN_FIND_ID,
                            IDC_MAIN_LIST_ALL,    IDC_MAIN_PRESCRIPTION, IDC_MAIN_CLINIC_INFO,
                            IDC_MAIN_BACKUP,      IDC_MAIN_RESTORE};

void showFailure(QWidget* parent, const FileFailure& failure) {
    MessageBox(parent, failure.describe(), kAppTitle,
               failure.kind == FileFailure::OutOfMemory ? MsgIcon::Exclamation : MsgIcon::Stop);
}

} // namespace

MainMenu::MainMenu() : FormView(kMainMenuForm) {
    for (int id : kTaskButtons) {
        auto* button = control<QPushButton>(id);
        button->setFlat(true);
        button->setStyleSheet("text-align: left; padding-left: 4px;");
    }
    onCommandAndClick(ID_PATIENT_ADD, IDC_MAIN_ADD_PATIENT, [this] { addPatient(); });
    onCommandAndClick(ID_PATIENT_LOCATE_ID, IDC_MAIN_FIND_ID, [this] { locateByID(); });
    onCommandAndClick(ID_PATIENT_LOCATE_NAME, IDC_MAIN_FIND_NAME, [this] { locateByName(); });
    onCommandAndClick(ID_PATIENT_LIST_ALL, IDC_MAIN_LIST_ALL, [this] { listAllPatients(); });
    onCommandAndClick(ID_ISSUE_PRESCRIPTION, IDC_MAIN_PRESCRIPTION,
                      [this] { issuePrescription(); });
    onCommandAndClick(ID_EDIT_CLINIC_INFO, IDC_MAIN_CLINIC_INFO, [this] { editClinicInfo(); });
    onCommandAndClick(ID_DATABASE_BACKUP, IDC_MAIN_BACKUP, [this] { backup(); });
    onCommandAndClick(ID_DATABASE_RESTORE, IDC_MAIN_RESTORE, [this] { restore(); });
    onCommand(ID_DATABASE_BACKUPS, [this] { BackupsDialog(this).DoModal(); });
    onCommand(ID_DATABASE_RESCUE, [this] { RescueRecords::run(this); });
    onCommand(ID_DATABASE_EXPORT_ALL, [this] { RecordsExchange::exportAll(this); });
    onCommand(ID_DATABASE_IMPORT, [this] { RecordsExchange::importRecords(this); });
}

void MainMenu::OnInitialUpdate() {
    FormView::OnInitialUpdate();
    CMainFrame::RegisterScreenTemplates();
    dateText = DateTime::currentLocal().format("%A %d %B, %Y");
    UpdateData(false);
    showBackupStatus();
    RoleRights::limitButtons(*this, {{IDC_MAIN_PRESCRIPTION, ID_ISSUE_PRESCRIPTION},
                                     {IDC_MAIN_CLINIC_INFO, ID_EDIT_CLINIC_INFO},
                                     {IDC_MAIN_BACKUP, ID_DATABASE_BACKUP},
                                     {IDC_MAIN_RESTORE, ID_DATABASE_RESTORE}});
}

void MainMenu::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_MAIN_DATE, dateText);
    dx.text(IDC_MAIN_BACKUP_STATUS, backupText);
}

void MainMenu::showBackupStatus() {
    const DateTime now = AutoBackup::now();
    const bool madeHere = AutoBackup::madeHere();
    backupText = madeHere ? BackupSettings::statusText(now)
                          : "The clinic server's records are backed up at an administrator's desk.";
    auto* status = control<QLabel>(IDC_MAIN_BACKUP_STATUS);
    status->setStyleSheet(madeHere && BackupSettings::warns(now) ? "color: red;" : "");
    UpdateData(false);
    fitStatus();
}

// The status shows whole, however long its reason: wrapped within the window, the form growing
// below it as far as its lines need.
void MainMenu::laidOut() {
    fitStatus();
}

void MainMenu::fitStatus() {
    auto* status = control<QLabel>(IDC_MAIN_BACKUP_STATUS);
    QWidget* page = status->parentWidget();
    // Its style sheet would otherwise give it the program's font rather than the form's.
    status->setFont(page->font());
    const QRect at = status->geometry();
    const int room = viewport()->width() - 2 * at.left();
    const int width = std::max(1, std::min(page->width() - 2 * at.left(), room));
    const int height =
        std::max(status->fontMetrics().lineSpacing() * 2, status->heightForWidth(width));
    status->setGeometry(at.left(), at.top(), width, height);
    page->setFixedHeight(std::max(page->height(), at.top() + height + at.left() / 2));
}

void MainMenu::addPatient() {
    if (CMainFrame::OpenAddNew())
        CMainFrame::CloseMainMenu();
}

void MainMenu::locateByID() {
    if (!CMainFrame::OpenFindID())
        return;
    CMainFrame::CloseMainMenu();
}

void MainMenu::locateByName() {
    if (!CMainFrame::OpenFindName())
        return;
    CMainFrame::CloseMainMenu();
}

void MainMenu::listAllPatients() {
    PatientNameList patients;
    if (!patients.FetchAll()) {
        StoreFailure::show(this, "Error fetching patients list");
        return;
    }
    if (Navigator::instance().showPatients(patients))
        Navigator::instance().leave(*this);
}

void MainMenu::issuePrescription() {
    if (!CMainFrame::OpenIssuPrescription())
        return;
    CMainFrame::CloseMainMenu();
}

void MainMenu::editClinicInfo() {
    if (!CMainFrame::OpenEditClinicInfo1())
        return;
    CMainFrame::CloseMainMenu();
}

// The records are locked for the copy only, not while the user picks the file; missing
// records are told before the dialog.
void MainMenu::backup() {
    if (!RecordsEngine::current()->exists()) {
        showFailure(this, {FileFailure::NotFound, Engine::recordsFile()});
        return;
    }
    const auto target = FileDialog::choose(
        this, {FileRequest::Save, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"});
    if (!target)
        return;
    BackupSettings::rememberManualBackup(*target);
    std::optional<FileFailure> failure;
    ProgressDialog::run(this, "Backing up the records…", [&](const Progress& progress) {
        failure = RecordsBackup::backup(*target, progress);
    });
    if (failure && failure->kind == FileFailure::Cancelled)
        return;
    if (failure)
        BackupSettings::failed(BackupSettings::recordsInUse(), failure->describe());
    else
        BackupSettings::proven(BackupSettings::recordsInUse(), AutoBackup::now());
    showBackupStatus();
    if (failure && failure->kind == FileFailure::Damaged) {
        RescueRecords::offer(this, *failure);
        return;
    }
    if (failure) {
        showFailure(this, *failure);
        return;
    }
    AccessNote::enter(this, {Access::Backup, "", "", std::nullopt, {{"file", *target}}});
    MessageBox(this, "Backup operation completed successfully", "Confirmation",
               MsgIcon::Information);
}

void MainMenu::restore() {
    if (MessageBox(this,
                   "Resotring the database from a backup file will delete all data in the "
                   "currently used database, proceed?",
                   "Warning", MsgIcon::Exclamation, MsgButtons::YesNo) != IDYES)
        return;
    const auto source = FileDialog::choose(
        this, {FileRequest::Open, "rbk", "Medora Backup Files (*.rbk)", "*.rbk"});
    if (!source)
        return;
    // The records replaced are kept beside the automatic backups.
    BeforeRestore keep{BackupSettings::folder(), AutoBackup::now()};
    AutoBackup::makeDefaultFolder(keep.folder);
    std::optional<FileFailure> failure;
    ProgressDialog::run(this, "Restoring the records…", [&](const Progress& progress) {
        failure = RecordsBackup::restore(*source, keep, progress);
    });
    if (failure && failure->kind == FileFailure::Cancelled)
        return;
    if (failure) {
        showFailure(this, *failure);
        return;
    }
    AccessNote::enter(this, {Access::Restore, "", "", std::nullopt,
                             {{"backup", *source}, {"replaced records kept as", keep.keptAs}}});
    std::string done = "Database restore operation completed successfully";
    if (!keep.keptAs.empty())
        done += ".\n\nThe records it replaced are kept as the backup \"before restore, " +
                keep.when.format("%A %d %B, %Y %H:%M") + "\" in " + keep.keptAs;
    MessageBox(this, done, "Confirmation", MsgIcon::Information);
}

#include "screens/RoleRights.h"

#include "platform/FormView.h"
#include "res/resource.h"
#include "store/Session.h"

#include <QWidget>

namespace {

bool administratorsOnly(int command) {
    switch (command) {
    case ID_DATABASE_BACKUP:
    case ID_DATABASE_RESTORE:
    case ID_DATABASE_BACKUPS:
    case ID_DATABASE_RESCUE:
    case ID_DATABASE_EXPORT_ALL:
    case ID_DATABASE_IMPORT:
    case ID_DATABASE_USERS:
    case ID_DATABASE_AUDIT_TRAIL:
    case ID_DATABASE_DELETED_PATIENTS:
    case ID_EDIT_CLINIC_INFO:
    case ID_FILE_RECORDS_DATABASE:
        return true;
    default:
        return false;
    }
}

bool cliniciansOnly(int command) {
    switch (command) {
    case ID_ISSUE_PRESCRIPTION:
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_PREVIEW:
    case ID_FILE_EXPORT_RECORD:
    case ID_VIEW_VITAL_CHARTS:
        return true;
    default:
        return false;
    }
}

} // namespace

std::string RoleRights::whyNot(int command) {
    if (administratorsOnly(command) && !Session::mayAdminister())
        return forAdministrators;
    if (cliniciansOnly(command) && !Session::mayCare())
        return forClinicians;
    return {};
}

void RoleRights::limitButtons(FormView& view,
                              const std::vector<std::pair<int, int>>& buttonCommands) {
    for (const auto& [button, command] : buttonCommands) {
        const std::string why = whyNot(command);
        if (why.empty())
            continue;
        view.enableControl(button, false);
        view.controlWidget(button)->setToolTip(QString::fromStdString(why));
    }
}

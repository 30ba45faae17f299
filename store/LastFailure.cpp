#include "store/LastFailure.h"

namespace {

thread_local FailureKind lastKind = FailureKind::None;

} // namespace

FailureKind LastFailure::kind()
{
    return lastKind;
}

std::string LastFailure::message()
{
    switch (lastKind) {
    case FailureKind::NetworkDrive:
        return "The records file is on a network drive, where it can be damaged. Use a clinic "
               "server for several computers (see File \u203a Records database\u2026).";
    case FailureKind::ChangedElsewhere:
        return "This record was changed at another desk since you opened it. Your changes were "
               "not saved; close it and open it again to see the new details.";
    case FailureKind::OutcomeUnknown:
        return "The connection to the server was lost while this was being saved, so it may or "
               "may not have been saved. Look at the records before you enter it again.";
    case FailureKind::ServerPasswordNeeded:
        return "Not connected to the records server: it asks for a password. Choose File "
               "\u203a Connect\u2026 to type it.";
    case FailureKind::DiskFull:
        return "The disk is full, so nothing was saved. Make room on the disk that holds the "
               "records, then try again.";
    case FailureKind::RecordsTooNew:
        return "The records file was made by a newer version of Medora, which this one cannot "
               "use. Nothing was changed; install the newer version to work with it.";
    case FailureKind::ServerTooOld:
        return "The records on the server are of an earlier version of Medora. Ask whoever runs "
               "the server to run medora-admin upgrade, then try again.";
    case FailureKind::ServerTooNew:
        return "The records on the server are of a newer version of Medora, which this one "
               "cannot use. Install the newer version on this computer.";
    case FailureKind::LoginDisabled:
        return "This user may no longer sign in. Ask an administrator of the clinic.";
    case FailureKind::NotAllowed:
        return "Your role does not allow this. Ask an administrator if your work needs it.";
    default:
        return {};
    }
}

void LastFailure::note(FailureKind kind)
{
    lastKind = kind;
}

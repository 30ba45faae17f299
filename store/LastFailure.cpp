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
    if (lastKind == FailureKind::NetworkDrive)
        return "The records file is on a network drive, where it can be damaged. Use a clinic "
               "server for several computers (see File \u203a Records database\u2026).";
    return {};
}

void LastFailure::note(FailureKind kind)
{
    lastKind = kind;
}

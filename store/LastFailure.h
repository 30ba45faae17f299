#pragma once

#include "store/FailureKind.h"

#include <string>

// Why the calling thread's last store operation returned false, for a screen that has more to
// say than its usual message about some failures.
class LastFailure
{
public:
    static FailureKind kind();
    // The text a screen shows in place of its usual message; empty when the usual one fits.
    static std::string message();

private:
    friend class Database;
    static void note(FailureKind kind);
};

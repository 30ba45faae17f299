#pragma once

#include <optional>

// Settings the whole clinic shares, kept with the records on either engine.
class ClinicSettings {
public:
    // The minutes without keyboard or mouse after which a signed-in user's screen locks.
    static constexpr int defaultLockMinutes = 10;
    static constexpr int shortestLock = 1;
    static constexpr int longestLock = 120;

    // The clinic's choice, or the default while it has made none; nothing when unreadable.
    static std::optional<int> lockMinutes();
    // Refused outside shortestLock to longestLock.
    static bool setLockMinutes(int minutes);
};

#include "store/ClinicSettings.h"

#include "store/Database.h"

std::optional<int> ClinicSettings::lockMinutes() {
    int minutes = defaultLockMinutes;
    const bool read = Database::read([&](Database& db) {
        Statement row = db.prepare("SELECT lock_after_minutes FROM clinic_settings");
        if (row.step())
            minutes = static_cast<int>(row.integer(0));
        return true;
    });
    return read ? std::optional<int>(minutes) : std::nullopt;
}

bool ClinicSettings::setLockMinutes(int minutes) {
    if (minutes < shortestLock || minutes > longestLock)
        return Database::refuse();
    return Database::run([&](Database& db) {
        db.prepare("INSERT INTO clinic_settings (only_row, lock_after_minutes) VALUES (1, ?)"
                   " ON CONFLICT (only_row) DO UPDATE SET lock_after_minutes ="
                   " excluded.lock_after_minutes")
            .bind(1, minutes)
            .run();
        return true;
    });
}

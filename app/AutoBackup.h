#pragma once

#include "records/FileFailure.h"
#include "store/DateTime.h"

#include <QObject>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

// The automatic backups: at the day's first start, when the folder holds no backup of today
// of the records in use, and again when the program closes. Each runs in a thread of its own while the screens go on;
// its outcome is saved in BackupSettings and then `reported` is called on the screens' thread,
// and `damaged` too when the records file was found damaged, unless the program is closing.
// Only one runs at a time, and the program waits for it before it exits.
class AutoBackup {
public:
    using Clock = std::function<DateTime()>;
    using Damaged = std::function<void(const FileFailure& damage)>;
    // Sees each step of a backup's copy, on the backup's thread.
    using StepWatch = std::function<void(double done)>;

    AutoBackup(std::function<void()> reported, Damaged damaged);
    ~AutoBackup();
    AutoBackup(const AutoBackup&) = delete;
    AutoBackup& operator=(const AutoBackup&) = delete;

    // The time the backups go by; a test sets a clock of its own, an empty one the real one.
    static void setClock(Clock clock);
    static DateTime now();
    // How long closing waits for its backup before it stops it.
    static constexpr int kCloseSeconds = 20;
    // A test shortens the bound, and watches (or slows) the copy; 0 and an empty watch put
    // back the program's own.
    static void setCloseSeconds(int seconds);
    static int closeSeconds();
    static void setStepWatch(StepWatch watch);

    // Also removes the files a killed copy left behind. The records in use, whose identity the
    // backup reads, are those the status then speaks of.
    void atStart();
    // Whether this desk backs up the records in use: always the file; the clinic server's
    // records at an administrator's desk only, for only administrators may read them all.
    static bool madeHere();
    // Bounded by closeSeconds(); a backup stopped at the bound leaves the earlier ones and a
    // note of why there is none of this closing.
    void atClose();
    // Waits until no backup runs and its outcome is reported.
    void wait();

    // The default folder is made when missing; one the user chose is not.
    static void makeDefaultFolder(const std::string& folder);

private:
    // unlessMade: only when the folder holds no backup of that day of these records.
    void run(const DateTime& day, bool unlessMade);
    void report(const std::optional<FileFailure>& failure, const DateTime& when,
                const std::string& identity, bool made);

    bool closing() const { return m_deadline != 0; }

    std::function<void()> m_reported;
    Damaged m_damaged;
    std::thread m_worker;
    std::atomic<bool> m_running{false};
    std::atomic<double> m_deadline{0}; // seconds of the steady clock; 0 while unbounded
    QObject m_receiver;
};

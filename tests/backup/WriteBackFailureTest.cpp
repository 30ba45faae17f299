// The disk's own failures while a copy is written back: they must fail the backup or the
// restore, although the final flush no longer sees them once the copy has collected them.

#include "BackupTestSupport.h"

#include "records/DatabaseBackup.h"

#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>

namespace {

// What sync_file_range answers while a test runs: 0 passes every call on to the system.
int writeBackError = 0;
// Only calls that wait for earlier pieces, or every call.
bool onlyWaiting = true;

struct WriteBackAnswer {
    WriteBackAnswer(int error, bool waitingOnly) {
        writeBackError = error;
        onlyWaiting = waitingOnly;
    }
    ~WriteBackAnswer() { writeBackError = 0; }
};

} // namespace

// Linked into this test program ahead of the system's, so the copies' calls come here first.
extern "C" int sync_file_range(int fd, off64_t offset, off64_t count, unsigned int flags) {
    if (writeBackError != 0 && (!onlyWaiting || (flags & SYNC_FILE_RANGE_WAIT_AFTER))) {
        errno = writeBackError;
        return -1;
    }
    using Call = int (*)(int, off64_t, off64_t, unsigned int);
    static const auto system = reinterpret_cast<Call>(dlsym(RTLD_NEXT, "sync_file_range"));
    return system(fd, offset, count, flags);
}

namespace {

DatabaseBackup::Outcome backUp(const std::string& target) {
    return DatabaseBackup::backup("clinic_db.mdb", target);
}

} // namespace

TEST_F(BackupTest, AnErrorWritingTheCopyBackFailsTheOperation) {
    addPatient("Current");
    fill(4'000'000); // several pieces, so earlier ones are waited for
    ASSERT_EQ(backUp("good.rbk"), std::nullopt);
    const std::string before = fingerprint("clinic_db.mdb");
    {
        const WriteBackAnswer failing(EIO, true);
        EXPECT_EQ(backUp("copy.rbk"), (FileFailure{FileFailure::HardIO, "copy.rbk"}));
        addPatient("Later");
        const std::string withLater = fingerprint("clinic_db.mdb");
        EXPECT_EQ(DatabaseBackup::restore("good.rbk"),
                  (FileFailure{FileFailure::HardIO, "clinic_db.mdb"}));
        EXPECT_EQ(fingerprint("clinic_db.mdb"), withLater);
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"clinic_db.mdb", "good.rbk"}));
    EXPECT_NE(fingerprint("clinic_db.mdb"), before);
}

TEST_F(BackupTest, AFileSystemWithoutWriteBackHintsStillGetsWholeCopies) {
    fill(4'000'000);
    const WriteBackAnswer unsupported(EINVAL, false);
    ASSERT_EQ(backUp("copy.rbk"), std::nullopt);
    EXPECT_EQ(fingerprint("copy.rbk"), fingerprint("clinic_db.mdb"));
    addPatient("Later");
    ASSERT_EQ(DatabaseBackup::restore("copy.rbk"), std::nullopt);
    EXPECT_EQ(recordsIn("clinic_db.mdb"), recordsIn("copy.rbk"));
}

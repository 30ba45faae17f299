#pragma once

#include <string>
#include <sys/types.h>

// A file written under a hidden name of its own beside its destination, marked as Medora's,
// readable and writable by its owner only; it is removed again unless it was put in place. Nothing
// can then leave a half-written file under the name the user or the program reads: the file is
// flushed to disk and only then renamed over its destination in one step. While the file is pending
// its writer holds a lock on it, so the file of a writer that was killed is told from one that is
// still being written.
class PendingFile {
public:
    explicit PendingFile(const std::string& destination);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // The file a name stands for once symbolic links are followed; the name itself while no
    // file has it.
    static std::string realName(const std::string& name);
    // Removes from the folder the pending files that no living writer holds any more: only
    // files of this user that bear the mark and hold a database copy, or nothing yet, so that
    // no file of another program is ever taken for one.
    static void removeLeftovers(const std::string& folder);

    // errno of the creation, or 0.
    int creationError() const { return m_error; }
    const std::string& path() const { return m_path; }

    // Appends data; errno, or 0. Each piece starts on its way to the disk at once, and all
    // before the piece before it is waited for, so the final flush finds little left to write
    // and few pieces wait in memory.
    int append(const char* data, size_t size);
    // Flushes the file to disk and closes it; errno, or 0.
    int finish();
    // Renames the finished file over its destination in one step; errno, or 0.
    int place();

    // The whole of data, under the name that `destination` stands for, or nothing new there;
    // errno, or 0.
    static int writeWhole(const std::string& destination, const char* data, size_t size);

private:
    int startWriteBack(off_t start, off_t length);

    std::string m_destination;
    std::string m_path;
    int m_fd = -1;
    int m_lock = -1; // a descriptor of its own, which outlives the writing one
    off_t m_written = 0;
    off_t m_previousStart = 0;
    bool m_writeBack = true;
    int m_error = 0;
    bool m_placed = false;
};

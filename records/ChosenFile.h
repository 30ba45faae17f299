#pragma once

#include "records/FileFailure.h"

#include <optional>
#include <string>

// A file chosen to restore from, open for reading while this lives. It is opened without
// blocking, so that a pipe picked by mistake is refused rather than waited on; a folder, or
// anything else that is not a regular file, is refused too.
class ChosenFile {
public:
    explicit ChosenFile(const std::string& path);
    ~ChosenFile();
    ChosenFile(const ChosenFile&) = delete;
    ChosenFile& operator=(const ChosenFile&) = delete;

    // Why source cannot be restored from, found without reading all of it: not a readable
    // regular file, not of Medora's shape, or rows that break the records' rules. Nothing when
    // it may be, subject to the engine's check as it is copied.
    static std::optional<FileFailure> refusal(const std::string& source);

    // Why the file cannot be read from; nothing while it can.
    const std::optional<FileFailure>& failure() const { return m_failure; }
    int descriptor() const { return m_fd; }
    long long size() const { return m_size; }

private:
    int m_fd = -1;
    long long m_size = 0;
    std::optional<FileFailure> m_failure;
};

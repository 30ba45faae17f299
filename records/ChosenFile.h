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

    // Why the file cannot be read from; nothing while it can.
    const std::optional<FileFailure>& failure() const { return m_failure; }
    int descriptor() const { return m_fd; }
    long long size() const { return m_size; }

private:
    int m_fd = -1;
    long long m_size = 0;
    std::optional<FileFailure> m_failure;
};

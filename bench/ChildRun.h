#pragma once

#include <filesystem>
#include <functional>
#include <string>

// One measured run of work in a child process in a folder: whether it succeeded, how long it
// took and the most memory it held.
struct ChildRun {
    bool ok;
    double seconds;
    double peakMiB;

    // Forks; the child ends with work's verdict. Its peak memory includes the pages it shares
    // with this program from the fork.
    static ChildRun ofWork(const std::filesystem::path& folder, const std::function<bool()>& work);
    // Spawned without a copy of this program, so the peak memory is the command's own.
    static ChildRun ofCommand(const std::filesystem::path& folder, const std::string& command);
};

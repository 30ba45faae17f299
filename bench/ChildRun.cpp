#include "bench/ChildRun.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

extern char** environ;

namespace {

ChildRun finished(pid_t child, std::chrono::steady_clock::time_point began) {
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return {child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0, seconds,
            usage.ru_maxrss / 1024.0};
}

} // namespace

ChildRun ChildRun::ofWork(const std::filesystem::path& folder, const std::function<bool()>& work) {
    const auto began = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        std::filesystem::current_path(folder);
        _exit(work() ? 0 : 1);
    }
    return finished(child, began);
}

ChildRun ChildRun::ofCommand(const std::filesystem::path& folder, const std::string& command) {
    const std::string line = "cd '" + folder.string() + "' && " + command;
    const char* argv[] = {"sh", "-c", line.c_str(), nullptr};
    const auto began = std::chrono::steady_clock::now();
    pid_t child = -1;
    if (posix_spawnp(&child, "sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        child = -1;
    return finished(child, began);
}

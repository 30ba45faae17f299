#include "tools/DataFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace fs = std::filesystem;

namespace {

constexpr mode_t kOwnerOnly = S_IRWXU;

} // namespace

std::filesystem::path DataFolder::location() {
    if (const char* named = std::getenv("MEDORA_DATA_DIR"); named && *named)
        return named;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::filesystem::path(xdg) / "medora";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : ".") / ".local/share/medora";
}

// A folder made here is also set to its mode by hand, since the user's umask may have taken
// the owner's own rights from it; no one else could reach it in between.
bool DataFolder::makePrivate(const fs::path& folder) {
    fs::path made;
    for (const fs::path& part : fs::absolute(folder).lexically_normal()) {
        made /= part;
        std::error_code error;
        if (mkdir(made.c_str(), kOwnerOnly) == 0)
            chmod(made.c_str(), kOwnerOnly);
        else if (!fs::is_directory(made, error))
            return false;
    }
    return true;
}

// Only the user's own folder, and only the one the program works in: a folder the user named
// for something else is not Medora's to change.
void DataFolder::keepPrivate() {
    std::error_code error;
    const fs::path here = fs::current_path(error);
    if (error || !fs::equivalent(here, location(), error))
        return;
    struct stat info {};
    if (stat(here.c_str(), &info) == 0 && info.st_uid == geteuid() &&
        (info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        chmod(here.c_str(), kOwnerOnly);
}

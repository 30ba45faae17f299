#include "tools/DataFolder.h"

#include <cstdlib>

std::filesystem::path DataFolder::location() {
    if (const char* named = std::getenv("MEDORA_DATA_DIR"); named && *named)
        return named;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::filesystem::path(xdg) / "medora";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : ".") / ".local/share/medora";
}

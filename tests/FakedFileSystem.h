#pragma once

// Makes statfs report another file-system type for the records file, under whatever folder
// names it, while one of these lives, as if the file lay on a network drive. Include it in one
// file of a test program only: the program's own statfs then stands in front of the system's,
// so the store's calls come here.

#include <dlfcn.h>
#include <filesystem>
#include <sys/vfs.h>

inline long fakedFileSystem = 0;

struct FakedFileSystem {
    explicit FakedFileSystem(long type) { fakedFileSystem = type; }
    ~FakedFileSystem() { fakedFileSystem = 0; }
    FakedFileSystem(const FakedFileSystem&) = delete;
    FakedFileSystem& operator=(const FakedFileSystem&) = delete;
};

extern "C" int statfs(const char* path, struct statfs* info) noexcept {
    using Call = int (*)(const char*, struct statfs*);
    static const auto system = reinterpret_cast<Call>(dlsym(RTLD_NEXT, "statfs"));
    const int result = system(path, info);
    if (result == 0 && fakedFileSystem != 0 && std::filesystem::path(path).filename() == "clinic_db.mdb")
        info->f_type = fakedFileSystem;
    return result;
}

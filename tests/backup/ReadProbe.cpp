#include "ReadProbe.h"

#include <sqlite3.h>

namespace {

struct ProbeFile {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_vfs* realVfs = nullptr;
sqlite3_vfs probeVfs;
std::function<void(int, long long)> readHook;

sqlite3_file* real(sqlite3_file* file) {
    return reinterpret_cast<ProbeFile*>(file)->real;
}

#define FORWARD(method, ...) real(file)->pMethods->method(real(file), ##__VA_ARGS__)

const sqlite3_io_methods probeMethods = {
    1,
    [](sqlite3_file* file) { return FORWARD(xClose); },
    [](sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
        if (readHook)
            readHook(amount, offset);
        return FORWARD(xRead, buffer, amount, offset);
    },
    [](sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
        return FORWARD(xWrite, data, amount, offset);
    },
    [](sqlite3_file* file, sqlite3_int64 size) { return FORWARD(xTruncate, size); },
    [](sqlite3_file* file, int flags) { return FORWARD(xSync, flags); },
    [](sqlite3_file* file, sqlite3_int64* size) { return FORWARD(xFileSize, size); },
    [](sqlite3_file* file, int level) { return FORWARD(xLock, level); },
    [](sqlite3_file* file, int level) { return FORWARD(xUnlock, level); },
    [](sqlite3_file* file, int* held) { return FORWARD(xCheckReservedLock, held); },
    [](sqlite3_file* file, int op, void* arg) { return FORWARD(xFileControl, op, arg); },
    [](sqlite3_file* file) { return FORWARD(xSectorSize); },
    [](sqlite3_file* file) { return FORWARD(xDeviceCharacteristics); },
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

#undef FORWARD

int probeOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* probe = reinterpret_cast<ProbeFile*>(file);
    probe->real = reinterpret_cast<sqlite3_file*>(probe + 1);
    const int rc = realVfs->xOpen(realVfs, name, probe->real, flags, outFlags);
    probe->base.pMethods = probe->real->pMethods ? &probeMethods : nullptr;
    return rc;
}

} // namespace

ReadProbe::ReadProbe(std::function<void(int, long long)> onRead) {
    realVfs = sqlite3_vfs_find(nullptr);
    probeVfs = *realVfs;
    probeVfs.iVersion = 1;
    probeVfs.szOsFile = int(sizeof(ProbeFile)) + realVfs->szOsFile;
    probeVfs.zName = "medora-read-probe";
    probeVfs.pNext = nullptr;
    probeVfs.xOpen = probeOpen;
    readHook = std::move(onRead);
    sqlite3_vfs_register(&probeVfs, 1);
}

ReadProbe::~ReadProbe() {
    sqlite3_vfs_unregister(&probeVfs);
    sqlite3_vfs_register(realVfs, 1);
    readHook = nullptr;
}

#pragma once

#include <functional>

// Told how far a whole-database operation has come, as a share from 0 to 1, now and then
// while it runs. Answering false stops the operation, which then leaves the records and the
// files it was writing as they were. An empty one is never asked.
using Progress = std::function<bool(double done)>;

// Whether the operation may go on.
inline bool goOn(const Progress& progress, double done) {
    return !progress || progress(done);
}

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

// The stretch of a whole operation from `from` to `to`, told as the stretch's own share from
// 0 to 1.
inline Progress stretch(const Progress& whole, double from, double to) {
    if (!whole)
        return {};
    return [whole, from, to](double done) { return whole(from + (to - from) * done); };
}

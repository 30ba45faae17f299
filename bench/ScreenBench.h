#pragma once

#include <functional>

namespace benchmark::internal {
class Benchmark;
}

// What the benchmarks of screens share: the offscreen platform without its chatter, deferred
// work let through, and the way every figure is measured.
class ScreenBench {
public:
    // Before the QApplication is made: offscreen unless another platform is asked for, and
    // only critical messages shown (the offscreen platform warns at every window).
    static void quietOffscreen();
    // Lets deferred work run: screens closed from their own handlers go away here.
    static void settle();
    // Milliseconds of wall-clock time, the median of five repetitions.
    static benchmark::internal::Benchmark* measured(benchmark::internal::Benchmark* b);
    // In the current directory's clinic: starts the real main window, closes its main menu,
    // registers the benchmarks and runs those the command line asks for; main's result.
    static int runInMainWindow(int argc, char** argv, const std::function<void()>& registerAll);
};

#pragma once

#include <functional>

// While it lives, every file SQLite opens in this process goes through a thin layer that calls
// onRead(amount, offset) before each read, then reads as usual.
class ReadProbe {
public:
    explicit ReadProbe(std::function<void(int amount, long long offset)> onRead);
    ~ReadProbe();
    ReadProbe(const ReadProbe&) = delete;
    ReadProbe& operator=(const ReadProbe&) = delete;
};

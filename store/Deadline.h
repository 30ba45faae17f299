#pragma once

#include <algorithm>
#include <chrono>

// The moment by which an operation gives up waiting, whatever it waits for.
class Deadline
{
public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(std::chrono::milliseconds within) : m_at(Clock::now() + within) {}

    bool passed() const { return Clock::now() >= m_at; }
    // What is left, in whole milliseconds rounded up, as poll() takes it.
    int remainingMs() const
    {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_at - Clock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    }

private:
    Clock::time_point m_at;
};

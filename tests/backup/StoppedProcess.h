#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// A process held stopped, as a hung computer or a dead link would leave it. It goes on when
// the holder goes, or after `atMost` in any case, so that a test of a program that would wait
// on it without end fails instead of hanging.
class StoppedProcess {
public:
    StoppedProcess(pid_t pid, std::chrono::milliseconds atMost) : m_pid(pid) {
        kill(m_pid, SIGSTOP);
        m_release = std::thread([this, atMost] {
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, atMost, [this] { return m_done; });
            kill(m_pid, SIGCONT);
        });
    }
    ~StoppedProcess() {
        {
            const std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        m_release.join();
    }
    StoppedProcess(const StoppedProcess&) = delete;
    StoppedProcess& operator=(const StoppedProcess&) = delete;

private:
    pid_t m_pid;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    std::thread m_release; // last, so that it starts once the rest is made
};

#include "store/AccessWriter.h"

#include "store/Engine.h"
#include "store/LastFailure.h"
#include "store/Session.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

thread_local bool onWriterThread = false;

// Entries queued and not yet tried, counted without the lock so that the store's operations
// pass at no cost while there are none.
std::atomic<int> waiting{0};

class Writer {
public:
    struct Queued {
        AccessTrail::Entry entry;
        std::shared_ptr<Engine> engine; // the records in use when it was queued
        std::function<void()> failed;
    };

    Writer() {
        // Who is signed in is made before the writer and so outlives it: the writer may still
        // be entering an entry as the program ends.
        Session::user();
        m_thread = std::thread([this] { run(); });
    }

    ~Writer() {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    void queue(const AccessTrail::Entry& entry, std::function<void()> failed) {
        Queued queued{entry, Engine::current(), std::move(failed)};
        {
            const std::lock_guard lock(m_mutex);
            m_queued.push_back(std::move(queued));
            ++waiting;
        }
        m_changed.notify_all();
    }

    void drain() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queued.empty(); });
    }

    std::vector<std::string> takeFailures() {
        const std::lock_guard lock(m_mutex);
        return std::exchange(m_failures, {});
    }

private:
    // Entries still queued when the program ends are entered before the thread stops.
    void run() {
        onWriterThread = true;
        // At the program's own priority: the screens' next operation waits for the entries
        // queued before it, so a writer put behind the machine's other work would hold the
        // screens up whenever the machine is busy.
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_stopping || !m_queued.empty(); });
            if (m_queued.empty())
                return;
            const Queued next = m_queued.front();
            lock.unlock();
            const bool entered = AccessTrail::enterOn(*next.engine, next.entry);
            lock.lock();
            if (!entered)
                m_failures.push_back(LastFailure::message());
            m_queued.pop_front();
            --waiting;
            m_changed.notify_all();
            if (!entered && next.failed) {
                lock.unlock();
                next.failed();
                lock.lock();
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Queued> m_queued; // the entry being entered stays first until it is tried
    std::vector<std::string> m_failures;
    bool m_stopping = false;
    std::thread m_thread;
};

Writer& writer() {
    static Writer theWriter;
    return theWriter;
}

} // namespace

void AccessWriter::queue(const AccessTrail::Entry& entry, std::function<void()> failed) {
    writer().queue(entry, std::move(failed));
}

void AccessWriter::drain() {
    if (waiting == 0 || onWriterThread)
        return;
    writer().drain();
}

std::vector<std::string> AccessWriter::takeFailures() {
    return writer().takeFailures();
}

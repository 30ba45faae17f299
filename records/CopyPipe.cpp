#include "records/CopyPipe.h"

#include "records/ServerLink.h"

namespace {

// Rows gathered before they go to the server in one piece.
constexpr size_t kFull = 1 << 18;
// Batches made ahead of the server at most: enough to keep it busy, few enough that memory
// stays small.
constexpr size_t kAhead = 4;
// Batches sent to the server before the first of them has its answer.
constexpr size_t kUnanswered = 2;

} // namespace

CopyPipe::CopyPipe(ServerLink& link, std::string statement, ArrayBatch batch)
    : m_link(link), m_statement(std::move(statement)), m_batch(std::move(batch)),
      m_formats(m_batch.formats()), m_sender([this] { sendAll(); }) {}

CopyPipe::~CopyPipe() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_changed.notify_all();
    if (m_sender.joinable())
        m_sender.join();
}

void CopyPipe::sendWhenFull() {
    if (m_batch.size() >= kFull)
        send();
}

void CopyPipe::send() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_batches.size() < kAhead || m_failure; });
    if (m_failure)
        std::rethrow_exception(m_failure);
    if (m_batch.size() > 0)
        m_batches.push_back(m_batch.take());
    m_changed.notify_all();
}

void CopyPipe::finish() {
    send();
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
    m_sender.join();
    if (m_failure)
        std::rethrow_exception(m_failure);
}

// False once the pipe is stopped, or closed with every batch taken.
bool CopyPipe::nextBatch(Arrays& batch) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_batches.empty() || m_closed || m_stopped; });
    if (m_stopped || m_batches.empty())
        return false;
    batch = std::move(m_batches.front());
    m_batches.pop_front();
    m_changed.notify_all();
    return true;
}

// The server runs one batch while the next waits for it, sent already.
void CopyPipe::sendAll() {
    try {
        m_link.beginPipeline();
        size_t unanswered = 0;
        Arrays batch;
        while (nextBatch(batch)) {
            m_link.sendPrepared(m_statement, batch, m_formats);
            if (++unanswered == kUnanswered) {
                m_link.takeOutcome();
                --unanswered;
            }
        }
        for (; unanswered > 0; --unanswered)
            m_link.takeOutcome();
        m_link.endPipeline();
    } catch (...) {
        m_link.abandonPipeline();
        const std::lock_guard lock(m_mutex);
        m_failure = std::current_exception();
        m_changed.notify_all();
    }
}

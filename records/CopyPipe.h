#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

class ServerLink;

// Sends the batches of rows of one COPY ... FROM STDIN from a thread of its own. Sending waits
// until the server has taken in all but the last bit of a batch, so a single thread would make
// rows and the server take them in turn; through the pipe, the next batches are made while
// the server takes in the last. A failure to send is thrown by the next call.
class CopyPipe {
public:
    explicit CopyPipe(ServerLink& link);
    // Stops sending, leaving the copy unfinished for the caller to undo.
    ~CopyPipe();
    CopyPipe(const CopyPipe&) = delete;
    CopyPipe& operator=(const CopyPipe&) = delete;

    // The batch being made: rows in COPY's text form, each ending in a line end.
    std::string& batch() { return m_batch; }
    // Sends the batch once it is full, waiting while the batches made ahead of the server
    // fill the pipe.
    void sendWhenFull();
    // Sends the rest and waits until every batch is sent; the link is the caller's again.
    void finish();

private:
    void send();
    void sendAll();
    bool nextBatch(std::string& batch);

    ServerLink& m_link;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_batch;
    std::deque<std::string> m_batches;
    bool m_closed = false;
    bool m_stopped = false;
    std::exception_ptr m_failure;
    std::thread m_sender; // last, so that it starts once the rest is made
};

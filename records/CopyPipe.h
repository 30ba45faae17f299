#pragma once

#include "records/ArrayBatch.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ServerLink;

// Copies rows into a table in batches, each batch the parameters of one run of a prepared
// statement, sent from a thread of its own: while the server takes in one batch, the next are
// made. Every batch goes whole in one message that the server reads as a statement's, so a
// desk that stalls halfway through leaves a transaction the server ends by its bound, not a
// copy it would wait on for ever. A failure to send is thrown by the next call.
class CopyPipe {
public:
    // `statement` names a statement prepared on the link that takes one array of each column,
    // each column's in the form `batch` makes it.
    CopyPipe(ServerLink& link, std::string statement, ArrayBatch batch);
    // Stops sending, leaving the rows sent so far for the caller to undo.
    ~CopyPipe();
    CopyPipe(const CopyPipe&) = delete;
    CopyPipe& operator=(const CopyPipe&) = delete;

    // The batch being made.
    ArrayBatch& batch() { return m_batch; }
    // Sends the batch once it is full, waiting while the batches made ahead of the server
    // fill the pipe.
    void sendWhenFull();
    // Sends the rest and waits until every batch is sent; the link is the caller's again.
    void finish();

private:
    using Arrays = std::vector<std::string>;

    void send();
    void sendAll();
    bool nextBatch(Arrays& batch);

    ServerLink& m_link;
    std::string m_statement;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    ArrayBatch m_batch;
    const std::vector<int> m_formats;
    std::deque<Arrays> m_batches;
    bool m_closed = false;
    bool m_stopped = false;
    std::exception_ptr m_failure;
    std::thread m_sender; // last, so that it starts once the rest is made
};

#pragma once

#include "link/job.h"
#include "protocol/eventlog.h"

#include <array>

namespace kliv {

// Reads the relay's event log block by block: which block to ask for next, and what the
// blocks that came hold. It knows no engine, so any job that reads the log, on its own
// or as one step of a longer job, drives it the same way: start(), then take() with the
// payload of each reply that expects() admits, sending nextRequest() while take() says
// NextBlock.
class EventLogReader {
  public:
    enum class Step {
        Ignored,   // not the block asked for: nothing stored, nothing to send
        NextBlock, // stored; ask for nextRequest()
        Complete,  // the tenth block is stored; rows() holds the log
    };

    Request start(); // forgets what was read; the request for block 0
    // Whether a reply's payload carries the block asked for; a job turns any other
    // reply away (Job::accepts), so that its request's time-out still runs.
    bool expects(const QByteArray& payload) const;
    Step take(const QByteArray& payload);
    Request nextRequest() const; // the request for the block expected next
    int blocksRead() const { return m_next; }
    // The valid entries of the whole log, oldest first.
    QList<EventRow> rows() const { return eventlog::ordered(m_store); }

  private:
    std::array<EventRecord, eventlog::LogSize> m_store{};
    int m_next = 0;
};

} // namespace kliv

#include "link/jobs/eventlogreader.h"

#include "protocol/frame.h"

namespace kliv {

namespace {

Request requestFor(int block) {
    return {KindEventRecord, QByteArray(1, char(block))};
}

} // namespace

Request EventLogReader::start() {
    m_store = {};
    m_next = 0;
    return requestFor(0);
}

Request EventLogReader::nextRequest() const {
    return requestFor(m_next);
}

bool EventLogReader::expects(const QByteArray& payload) const {
    return m_next < eventlog::BlockCount && !payload.isEmpty() && quint8(payload.at(0)) == m_next;
}

// Only the block asked for is stored: an index above 9 would address slots beyond the
// log, and any other index would overwrite a block already read or leave one unread.
EventLogReader::Step EventLogReader::take(const QByteArray& payload) {
    const std::optional<EventBlock> block = eventlog::decodeBlock(payload);
    if (!block || block->index != m_next)
        return Step::Ignored;
    for (int i = 0; i < eventlog::RecordsPerBlock; ++i)
        m_store[std::size_t(block->index * eventlog::RecordsPerBlock + i)] =
            block->records[std::size_t(i)];
    ++m_next;
    return m_next == eventlog::BlockCount ? Step::Complete : Step::NextBlock;
}

} // namespace kliv

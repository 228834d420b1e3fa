#include "capture/record_inbox.h"

void RecordInbox::Add(Record record)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed)
        return;
    m_waiting.push_back(std::move(record));
    // Woken under the lock, so that no wake can follow Close().
    if (m_waiting.size() == 1 && m_wake)
        m_wake();
}

std::vector<RecordInbox::Record> RecordInbox::Take()
{
    std::vector<Record> taken;
    std::lock_guard<std::mutex> lock(m_mutex);
    taken.swap(m_waiting);
    return taken;
}

void RecordInbox::Close()
{
    std::vector<Record> dropped;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    dropped.swap(m_waiting);
}

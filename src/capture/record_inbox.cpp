#include "capture/record_inbox.h"

void RecordInbox::Add(Arrival arrival)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed)
        return;
    m_waiting.push_back(std::move(arrival));
    // Woken under the lock, so that no wake can follow Close().
    if (m_waiting.size() == 1 && m_wake)
        m_wake();
}

std::vector<RecordInbox::Arrival> RecordInbox::Take()
{
    m_lastTake = std::chrono::steady_clock::now();
    std::vector<Arrival> taken;
    std::lock_guard<std::mutex> lock(m_mutex);
    taken.swap(m_waiting);
    return taken;
}

std::chrono::milliseconds RecordInbox::WaitBeforeTaking(std::chrono::steady_clock::time_point now) const
{
    auto since = now - m_lastTake;
    if (since >= kTakeInterval)
        return std::chrono::milliseconds(0);
    // Rounded up, so that the wait is never cut short.
    return std::chrono::ceil<std::chrono::milliseconds>(kTakeInterval - since);
}

void RecordInbox::Close()
{
    std::vector<Arrival> dropped;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    dropped.swap(m_waiting);
}

#include "capture/record_inbox.h"

void RecordInbox::Add(Arrival arrival)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed)
        return;
    const ChangeTime changedAt = arrival.changedAt;
    const std::size_t last = (m_nextChange + kFloodChanges - 1) % kFloodChanges;
    if (m_changesSeen == 0 || m_changes[last] != changedAt)
    {
        m_changes[m_nextChange] = changedAt;
        m_nextChange = (m_nextChange + 1) % kFloodChanges;
        if (m_changesSeen < kFloodChanges)
            ++m_changesSeen;
    }
    m_waiting.push_back(std::move(arrival));
    // Woken under the lock, so that no wake can follow Close(). Woken again
    // when a batch is full, in case the take was put off for a flood.
    if (((m_waiting.size() == 1 && !m_comingBack) || m_waiting.size() == kFloodBatch) && m_wake)
        m_wake();
}

std::vector<RecordInbox::Arrival> RecordInbox::Take(std::chrono::steady_clock::time_point now)
{
    m_lastTake = now;
    std::vector<Arrival> taken;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_comingBack = false;
    taken.swap(m_waiting);
    return taken;
}

bool RecordInbox::Flooded(std::chrono::steady_clock::time_point now) const
{
    return m_changesSeen == kFloodChanges && now - m_changes[m_nextChange] <= kFloodWindow;
}

std::chrono::milliseconds RecordInbox::ComeBackIn(std::chrono::steady_clock::time_point now)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_comingBack = !m_closed && Flooded(now);
    return m_comingBack ? kFloodTakeInterval : std::chrono::milliseconds(0);
}

std::chrono::milliseconds RecordInbox::WaitBeforeTaking(std::chrono::steady_clock::time_point now) const
{
    std::chrono::milliseconds interval = kTakeInterval;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (Flooded(now) && m_waiting.size() < kFloodBatch)
            interval = kFloodTakeInterval;
    }
    auto since = now - m_lastTake;
    if (since >= interval)
        return std::chrono::milliseconds(0);
    // Rounded up, so that the wait is never cut short.
    return std::chrono::ceil<std::chrono::milliseconds>(interval - since);
}

void RecordInbox::Close()
{
    std::vector<Arrival> dropped;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    dropped.swap(m_waiting);
}

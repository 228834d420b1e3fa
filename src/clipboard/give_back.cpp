#include "clipboard/give_back.h"

#include "clipboard/clip_offer.h"

void GiveBack::Changed()
{
    m_whole = 0;
    StopWaiting();
    ++m_changes;
}

void GiveBack::Delivered(std::uint64_t serial, std::uint64_t changes, Clock::time_point started)
{
    if (changes == m_changes)
        m_whole = serial;
    // A copy made well after the last restore: any fight is over.
    if (m_stopped && started - m_lastRestore >= kQuick)
    {
        m_stopped = false;
        m_quick = 0;
    }
}

HeldCopy::Build GiveBack::Due(const HeldCopy* held, bool reading, bool keptElsewhere, Clock::time_point now)
{
    if (!m_until)
        return {};
    if (now > *m_until || !held || keptElsewhere)
    {
        StopWaiting();
        return {};
    }
    if (m_whole == 0)
    {
        // What vanished was not read whole (a secret, over a bound, gone
        // mid-read): never something older in its place.
        if (!reading)
            StopWaiting();
        return {};
    }
    HeldCopy::Build build = held->Find(m_whole);
    if (!build)
        return {};  // the capture thread has yet to say what it found
    StopWaiting();
    if (m_stopped)
        return {};
    if (now - m_lastRestore >= kQuick)
        m_quick = 0;
    else if (++m_quick >= kQuickInARow)
    {
        m_stopped = true;
        return {};
    }
    m_lastRestore = now;
    return build;
}

#pragma once

#include "clipboard/held_copy.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

// When a clipboard connection puts a copy back on the clipboard after the
// program that copied it has gone, apart from any display server: only
// what the last read found whole, only within a short while of the owner
// going, and not over and over against a program that fights for the
// clipboard. Lives on the connection's thread.
class GiveBack
{
public:
    using Clock = std::chrono::steady_clock;

    // How long after its owner went the clipboard may still be given back:
    // time for the capture thread to say what the last read found.
    static constexpr auto kWait = std::chrono::seconds(2);
    // Restores less than this apart are a fight with another program...
    static constexpr auto kQuick = std::chrono::seconds(1);
    // ...and one that would make this many in a row is refused: the
    // clipboard is left alone until a copy made a while after the last
    // restore is read.
    static constexpr int kQuickInARow = 3;

    // Another program's copy is on the clipboard.
    void Changed();
    // How many such copies there have been: a read started now answers
    // this many.
    std::uint64_t Changes() const { return m_changes; }
    // A read started when the count was `changes` delivered `serial`.
    void Delivered(std::uint64_t serial, std::uint64_t changes, Clock::time_point started);
    // A program emptied the clipboard on purpose: nothing to give back.
    void Emptied() { m_whole = 0; }
    // Its owner went and left it empty.
    void OwnerGone(Clock::time_point now)
    {
        m_until = now + kWait;
        m_waiting = true;
    }

    std::optional<Clock::time_point> Deadline() const { return m_until; }

    // Whether a copy the capture thread holds could be due now, from any
    // thread: only then is a new one worth waking the connection for.
    // Set before the held copy is looked for, so that a copy held meanwhile
    // is either found or sees this set.
    bool WaitsForHeld() const { return m_waiting; }

    // What to put on the clipboard now, or an empty function. `reading`:
    // reads of what vanished may still deliver; `keptElsewhere`: another
    // clipboard manager keeps the clipboard.
    HeldCopy::Build Due(const HeldCopy* held, bool reading, bool keptElsewhere, Clock::time_point now);

private:
    void StopWaiting()
    {
        m_until.reset();
        m_waiting = false;
    }

    std::uint64_t m_changes = 0;
    std::uint64_t m_whole = 0;  // the read that found the clipboard's content whole; 0: none did
    std::optional<Clock::time_point> m_until;
    std::atomic<bool> m_waiting{false};
    Clock::time_point m_lastRestore;
    int m_quick = 0;
    bool m_stopped = false;
};

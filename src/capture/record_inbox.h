#pragma once

#include "capture/capture_sink.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <variant>
#include <vector>

// Where the capture thread leaves new records for the GUI thread: any
// thread adds, the GUI thread takes them in the order they came, and once
// the inbox is closed at shut-down whatever waits, or comes later, is
// dropped.
class RecordInbox : public CaptureSink
{
public:
    using Record = std::variant<TextRecord, ImageRecord, FileRecord>;
    struct Arrival
    {
        Record record;
        ChangeTime changedAt;
    };

    // `wake` runs on the adding thread whenever records start to wait, so
    // that the GUI thread comes to take them; never after Close().
    explicit RecordInbox(std::function<void()> wake) : m_wake(std::move(wake)) {}

    void AddText(TextRecord text, ChangeTime changedAt) override { Add({std::move(text), changedAt}); }
    void AddImage(ImageRecord image, ChangeTime changedAt) override { Add({std::move(image), changedAt}); }
    void AddFile(FileRecord file, ChangeTime changedAt) override { Add({std::move(file), changedAt}); }

    // Everything waiting, oldest first.
    std::vector<Arrival> Take(std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());

    // Records that arrive in a burst (a list of thousands of files) are
    // taken at most every kTakeInterval: taken as fast as they come, each
    // take queued behind the GUI thread's other events would keep it from
    // ever reaching keys and redraws.
    //
    // And while the clipboard changes faster than anybody copies by hand
    // (kFloodChanges changes within kFloodWindow: a program filling it),
    // at most every kFloodTakeInterval: the window waking, relabelling and
    // redrawing for each change was nine tenths of what a change cost, and
    // nobody reads a count that moves twenty times a second; once a second
    // is also how often a screen reader is told the count. A change after
    // a pause is taken at once. So that a take never grows without bound,
    // kTakeInterval holds again once kFloodBatch records wait.
    //
    // How long to wait before the next take at `now`; zero for at once.
    // Called on the GUI thread.
    static constexpr std::chrono::milliseconds kTakeInterval{10};
    static constexpr std::size_t kFloodChanges = 16;
    static constexpr std::chrono::milliseconds kFloodWindow{1000};
    static constexpr std::chrono::milliseconds kFloodTakeInterval{1000};
    static constexpr std::size_t kFloodBatch = 256;
    std::chrono::milliseconds WaitBeforeTaking(std::chrono::steady_clock::time_point now) const;

    // Asked after a take. While a flood goes on: when the GUI thread is to
    // come back by itself; until it does, records that start to wait do not
    // wake it (a full batch still does), as a wake per take cost about as
    // much as the take. Zero once the flood is over: records wake it again.
    std::chrono::milliseconds ComeBackIn(std::chrono::steady_clock::time_point now);

    void Close();

private:
    void Add(Arrival arrival);
    bool Flooded(std::chrono::steady_clock::time_point now) const;  // under m_mutex

    mutable std::mutex m_mutex;
    std::vector<Arrival> m_waiting;
    // When the last kFloodChanges changes were seen, oldest at m_nextChange
    // once all are filled; the records of one change (the files of a list)
    // count once.
    std::array<ChangeTime, kFloodChanges> m_changes{};
    std::size_t m_nextChange = 0;
    std::size_t m_changesSeen = 0;
    std::chrono::steady_clock::time_point m_lastTake;  // GUI thread only
    bool m_comingBack = false;
    bool m_closed = false;
    std::function<void()> m_wake;
};

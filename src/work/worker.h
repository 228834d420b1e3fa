#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

// A thread of its own that runs tasks in the order they were posted, with a
// stop flag long tasks watch, and an end by a deadline: joined when it ends
// in time, let go when it does not. The capture thread, the files thread,
// the save queue, the PNG converter and the clipboard's reader loop are
// each one of these.
//
// A task that is let go keeps what it captured, and the queue with it, so a
// task must hold (or share) everything it uses; a task that uses its owner
// leaves the owner alive when Stop() returns false.
class Worker
{
public:
    using Clock = std::chrono::steady_clock;
    using Task = std::function<void()>;
    struct State;

    // A loop of the worker's own in place of waiting for tasks: a thread
    // that waits on descriptors (the reader loop) runs the posted tasks
    // with RunPosted() and ends when StopRequested(). `wake` is called after
    // each post and at the stop, to end that wait.
    struct Loop
    {
        std::function<void()> run;
        std::function<void()> wake;
    };

    Worker();
    explicit Worker(Loop loop);
    // Stop() without a deadline, unless it was stopped already.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Starts the thread; tasks posted before wait for it. False when the
    // thread could not be made, or the worker was stopped.
    bool Start();
    bool Started() const { return m_thread.joinable(); }

    // Queues `task`; false, and it is dropped, once Stop() has begun.
    bool Post(Task task);
    // Queues `task` in place of those still waiting: only the newest counts.
    bool PostInstead(Task task);

    const std::atomic<bool>& StopFlag() const;
    bool StopRequested() const { return StopFlag().load(std::memory_order_relaxed); }

    // What a task may keep of its worker, which may be gone by the time the
    // task ends: the stop flag, and the one way to report.
    class Channel
    {
    public:
        bool StopRequested() const { return StopFlag().load(std::memory_order_relaxed); }
        const std::atomic<bool>& StopFlag() const;
        // Runs `tell` unless Stop() has begun, holding off Stop() while it
        // runs: what a task reports is never heard after the stop.
        bool Tell(const std::function<void()>& tell) const;

    private:
        friend class Worker;
        explicit Channel(std::shared_ptr<State> state) : m_state(std::move(state)) {}
        std::shared_ptr<State> m_state;
    };
    Channel ChannelForTasks() const { return Channel(m_state); }

    // Waits until no task is waiting or running, or until `until`; true when
    // idle.
    bool WaitUntilIdle(Clock::time_point until);

    // Drops the tasks waiting and raises the stop flag, without waiting.
    void RequestStop();

    // RequestStop(), then waits until
    // `deadline` for the running task: true when the thread ended and was
    // joined, false when it was let go (it ends on its own and tells
    // nobody). Once let go, later calls return false at once.
    bool Stop(Clock::time_point deadline = Clock::time_point::max());

    // For a Loop: runs the tasks posted so far, in order, on the calling
    // (the worker's) thread.
    void RunPosted();

private:
    static void Run(const std::shared_ptr<State>& state);

    std::shared_ptr<State> m_state;  // shared with the thread, which may outlive the worker
    std::thread m_thread;
    bool m_letGo = false;
};

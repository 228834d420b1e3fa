#include "work/worker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <utility>

struct Worker::State
{
    Loop loop;
    std::mutex mutex;
    std::condition_variable wake;     // a task or the stop, for the thread
    std::condition_variable changed;  // a task done or the thread's end, for waiters
    std::deque<Task> tasks;
    std::atomic<bool> stop{false};
    bool running = false;  // a task is under way
    bool ended = false;
    bool starting = false;  // Start() has been called

    void Wake()
    {
        if (loop.wake)
            loop.wake();
        else
            wake.notify_one();
    }
};

Worker::Worker() : m_state(std::make_shared<State>()) {}

Worker::Worker(Loop loop) : Worker()
{
    m_state->loop = std::move(loop);
}

Worker::~Worker()
{
    Stop();
}

bool Worker::Start()
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (m_state->starting || m_state->stop)
            return m_thread.joinable();
        m_state->starting = true;
    }
    try
    {
        m_thread = std::thread([state = m_state] { Run(state); });
    }
    catch (const std::system_error&)
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->ended = true;
        return false;
    }
    return true;
}

bool Worker::Post(Task task)
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (m_state->stop)
            return false;
        m_state->tasks.push_back(std::move(task));
    }
    m_state->Wake();
    return true;
}

bool Worker::PostInstead(Task task)
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (m_state->stop)
            return false;
        m_state->tasks.clear();
        m_state->tasks.push_back(std::move(task));
    }
    m_state->Wake();
    return true;
}

const std::atomic<bool>& Worker::StopFlag() const
{
    return m_state->stop;
}

const std::atomic<bool>& Worker::Channel::StopFlag() const
{
    return m_state->stop;
}

bool Worker::Channel::Tell(const std::function<void()>& tell) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->stop)
        return false;
    tell();
    return true;
}

bool Worker::WaitUntilIdle(Clock::time_point until)
{
    std::unique_lock<std::mutex> lock(m_state->mutex);
    auto idle = [&] { return m_state->ended || (!m_state->running && m_state->tasks.empty()); };
    if (!m_state->starting)
        return m_state->tasks.empty();
    if (until == Clock::time_point::max())
    {
        m_state->changed.wait(lock, idle);
        return true;
    }
    return m_state->changed.wait_until(lock, until, idle);
}

void Worker::RequestStop()
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        // Under the lock, so that a thread about to wait cannot miss it.
        m_state->stop.store(true, std::memory_order_relaxed);
        m_state->tasks.clear();
    }
    m_state->Wake();
}

bool Worker::Stop(Clock::time_point deadline)
{
    if (m_letGo)
        return false;
    bool ended = true;
    RequestStop();
    if (!m_thread.joinable())
        return true;
    {
        std::unique_lock<std::mutex> lock(m_state->mutex);
        if (deadline == Clock::time_point::max())
            m_state->changed.wait(lock, [&] { return m_state->ended; });
        else
            ended = m_state->changed.wait_until(lock, deadline, [&] { return m_state->ended; });
    }
    if (ended)
        m_thread.join();
    else
    {
        m_thread.detach();  // holds the state it needs
        m_letGo = true;
    }
    return ended;
}

void Worker::RunPosted()
{
    State& state = *m_state;
    std::unique_lock<std::mutex> lock(state.mutex);
    while (!state.tasks.empty() && !state.stop)
    {
        Task task = std::move(state.tasks.front());
        state.tasks.pop_front();
        state.running = true;
        lock.unlock();
        task();
        task = nullptr;  // what it holds goes before the worker counts as idle
        lock.lock();
        state.running = false;
    }
    state.changed.notify_all();
}

void Worker::Run(const std::shared_ptr<State>& state)
{
    if (state->loop.run)
        state->loop.run();
    else
    {
        std::unique_lock<std::mutex> lock(state->mutex);
        for (;;)
        {
            state->wake.wait(lock, [&] { return state->stop || !state->tasks.empty(); });
            if (state->stop)
                break;
            Task task = std::move(state->tasks.front());
            state->tasks.pop_front();
            state->running = true;
            lock.unlock();
            task();
            task = nullptr;
            lock.lock();
            state->running = false;
            state->changed.notify_all();
        }
    }
    std::lock_guard<std::mutex> lock(state->mutex);
    state->ended = true;
    state->changed.notify_all();
}

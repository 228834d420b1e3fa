#include "imaging/png_converter.h"

#include <condition_variable>
#include <mutex>
#include <utility>

struct PngConverter::State
{
    explicit State(Done whenDone) : done(std::move(whenDone)) {}

    Done done;
    std::mutex mutex;
    std::condition_variable wake;  // a request or the stop, for the thread
    std::condition_variable idle;  // the thread between conversions, for Stop()
    ImageRecord waiting;
    std::uint64_t waitingRequest = 0;  // 0: none waiting
    std::uint64_t lastRequest = 0;
    bool converting = false;
    bool stopped = false;
};

PngConverter::PngConverter(Done done) : m_state(std::make_shared<State>(std::move(done))) {}

PngConverter::~PngConverter()
{
    Stop(std::chrono::steady_clock::time_point::max());
}

std::uint64_t PngConverter::Convert(ImageRecord record)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->stopped)
        return 0;
    m_state->waiting = std::move(record);
    m_state->waitingRequest = ++m_state->lastRequest;
    if (!m_thread.joinable())
        m_thread = std::thread([state = m_state] { Run(state); });
    else
        m_state->wake.notify_one();
    return m_state->lastRequest;
}

bool PngConverter::Stop(std::chrono::steady_clock::time_point deadline)
{
    if (m_letGo)
        return false;
    bool finished = true;
    {
        std::unique_lock<std::mutex> lock(m_state->mutex);
        m_state->stopped = true;
        m_state->waitingRequest = 0;
        m_state->waiting = {};
        m_state->wake.notify_one();
        if (deadline == std::chrono::steady_clock::time_point::max())
            m_state->idle.wait(lock, [this] { return !m_state->converting; });
        else
            finished = m_state->idle.wait_until(lock, deadline, [this] { return !m_state->converting; });
    }
    if (!m_thread.joinable())
        return true;
    if (finished)
        m_thread.join();
    else
    {
        m_thread.detach();  // holds the state it needs; tells nobody
        m_letGo = true;
    }
    return finished;
}

void PngConverter::Run(const std::shared_ptr<State>& state)
{
    std::unique_lock<std::mutex> lock(state->mutex);
    for (;;)
    {
        state->wake.wait(lock, [&] { return state->stopped || state->waitingRequest != 0; });
        if (state->stopped)
            return;
        ImageRecord record = std::move(state->waiting);
        state->waiting = {};
        std::uint64_t request = std::exchange(state->waitingRequest, 0);
        state->converting = true;
        lock.unlock();
        SharedBytes png = PngOf(record);
        lock.lock();
        state->converting = false;
        state->idle.notify_all();
        // Under the lock, so that once Stop() has begun nobody is told.
        if (!state->stopped)
            state->done(request, std::move(png));
    }
}

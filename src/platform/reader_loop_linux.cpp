#include "platform/reader_loop_linux.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

ReaderLoop::~ReaderLoop()
{
    Stop();
    if (m_wake >= 0)
        ::close(m_wake);
}

bool ReaderLoop::Start(Source* source)
{
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0)
        return false;
    m_source = source;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running = true;
    }
    m_thread = std::thread(&ReaderLoop::Run, this);
    return true;
}

bool ReaderLoop::Running() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_running && !m_stop;
}

bool ReaderLoop::Post(std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_running || m_stop)
            return false;
        m_tasks.push_back(std::move(task));
    }
    Wake();
    return true;
}

void ReaderLoop::Stop(std::function<void()> last)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop || !m_thread.joinable())
            return;
        if (last)
            m_tasks.push_back(std::move(last));
        m_stop = true;
    }
    Wake();
    m_thread.join();
}

void ReaderLoop::Wake()
{
    const std::uint64_t one = 1;
    ssize_t written = ::write(m_wake, &one, sizeof one);
    (void)written;  // a full counter wakes the loop all the same
}

void ReaderLoop::Run()
{
    // A program that stops reading what is sent to it must not end this
    // one: writes to its pipe fail with EPIPE instead.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    std::vector<pollfd> fds;
    bool connected = m_source->Dispatch(fds);
    for (;;)
    {
        std::deque<std::function<void()>> tasks;
        bool stop;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            tasks.swap(m_tasks);
            stop = m_stop;
        }
        // Tasks run even when the connection is gone, so that a last task
        // posted by Stop() sees the end; they find the connection broken.
        for (std::function<void()>& task : tasks)
            task();
        if (stop)
            break;
        if (connected)
            connected = m_source->Dispatch(fds);
        if (!connected)
        {
            // Nothing more to read or serve; the loop waits to be stopped.
            std::lock_guard<std::mutex> lock(m_mutex);
            m_running = false;
            m_tasks.clear();
        }

        int timeout = -1;
        if (std::optional<Clock::time_point> deadline = connected ? m_source->NextDeadline() : std::nullopt)
        {
            auto wait = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
            timeout = static_cast<int>(std::clamp<decltype(wait)>(wait, 0, 60 * 1000));
        }
        fds.clear();
        if (connected)
            m_source->Watch(fds);
        fds.push_back({m_wake, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), timeout) < 0)
            for (pollfd& fd : fds)
                fd.revents = 0;  // EINTR: nothing to take from the wait
        if (fds.back().revents & POLLIN)
        {
            std::uint64_t count;
            ssize_t got = ::read(m_wake, &count, sizeof count);
            (void)got;
        }
        fds.pop_back();
    }
}

std::string LocalHostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

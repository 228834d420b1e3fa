#include "platform/reader_loop_linux.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <utility>

ReaderLoop::ReaderLoop() : m_worker(Worker::Loop{[this] { Serve(); }, [this] { Rouse(); }}) {}

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
    m_connected = true;
    if (!m_worker.Start())
    {
        m_connected = false;
        return false;
    }
    return true;
}

bool ReaderLoop::Running() const
{
    return m_connected && !m_worker.StopRequested();
}

bool ReaderLoop::Post(std::function<void()> task)
{
    return Running() && m_worker.Post(std::move(task));
}

void ReaderLoop::Stop(std::function<void()> last)
{
    if (!m_worker.Started() || m_worker.StopRequested())
        return;
    // Tasks run even when the connection is gone, so that the last one sees
    // the end; they find the connection broken.
    if (last && m_worker.Post(std::move(last)))
        m_worker.WaitUntilIdle(Clock::time_point::max());
    m_worker.Stop();
}

void ReaderLoop::Rouse()
{
    const std::uint64_t one = 1;
    ssize_t written = ::write(m_wake, &one, sizeof one);
    (void)written;  // a full counter wakes the loop all the same
}

void ReaderLoop::Serve()
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
        m_worker.RunPosted();
        if (m_worker.StopRequested())
            break;
        if (connected)
            connected = m_source->Dispatch(fds);
        if (!connected)
            m_connected = false;  // nothing more to read or serve; the loop waits to be stopped

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

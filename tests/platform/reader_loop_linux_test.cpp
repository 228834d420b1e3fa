#include "platform/reader_loop_linux.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A connection stood in for by a pipe: what is written to it is read on
// the loop's thread.
class PipeSource : public ReaderLoop::Source
{
public:
    PipeSource()
    {
        if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
            m_pipe[0] = m_pipe[1] = -1;
    }
    ~PipeSource() override
    {
        ::close(m_pipe[0]);
        if (m_pipe[1] >= 0)
            ::close(m_pipe[1]);
    }

    void Watch(std::vector<pollfd>& fds) override { fds.push_back({m_pipe[0], POLLIN, 0}); }
    bool Dispatch(const std::vector<pollfd>&) override
    {
        ++dispatches;
        char buffer[64];
        ssize_t n;
        while ((n = ::read(m_pipe[0], buffer, sizeof buffer)) > 0)
            received.append(buffer, static_cast<size_t>(n));
        if (n == 0)
            return false;  // the other end closed: the connection is lost
        if (deadline && ReaderLoop::Clock::now() >= *deadline)
        {
            deadline.reset();
            deadlineMet.set_value();
        }
        return true;
    }
    std::optional<ReaderLoop::Clock::time_point> NextDeadline() const override { return deadline; }

    void Send(const std::string& bytes) { ASSERT_EQ(::write(m_pipe[1], bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    void Hang()
    {
        ::close(m_pipe[1]);
        m_pipe[1] = -1;
    }

    // Read and written on the loop's thread only, or after it ended.
    std::string received;
    std::optional<ReaderLoop::Clock::time_point> deadline;
    std::promise<void> deadlineMet;
    std::atomic<int> dispatches{0};

private:
    int m_pipe[2];
};

}  // namespace

TEST(ReaderLoopTest, RunsPostedTasksInOrderAndTheLastOneAtStop)
{
    PipeSource source;
    ReaderLoop loop;
    ASSERT_TRUE(loop.Start(&source));
    std::vector<int> order;  // touched on the loop's thread only
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(loop.Post([&order, i] { order.push_back(i); }));
    source.Send("bytes from the server");
    bool last = false;
    loop.Stop([&] { last = order.size() == 1000; });
    EXPECT_TRUE(last);
    ASSERT_EQ(order.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(order[i], i);
    EXPECT_FALSE(loop.Post([] {}));
    EXPECT_FALSE(loop.Running());
}

TEST(ReaderLoopTest, WakesForInputAndForDeadlinesWithoutSpinning)
{
    PipeSource source;
    ReaderLoop loop;
    std::future<void> met = source.deadlineMet.get_future();
    source.deadline = ReaderLoop::Clock::now() + 50ms;
    ASSERT_TRUE(loop.Start(&source));
    ASSERT_EQ(met.wait_for(2s), std::future_status::ready);
    // Idle: no deadline, nothing to read, no task; the loop sleeps.
    int before = source.dispatches;
    std::this_thread::sleep_for(100ms);
    EXPECT_LE(source.dispatches - before, 1);
    source.Send("x");
    std::promise<std::string> seen;
    std::this_thread::sleep_for(20ms);
    loop.Post([&] { seen.set_value(source.received); });
    EXPECT_EQ(seen.get_future().get(), "x");
    loop.Stop();
}

TEST(ReaderLoopTest, ALostConnectionEndsTheWorkButNotTheStop)
{
    PipeSource source;
    ReaderLoop loop;
    ASSERT_TRUE(loop.Start(&source));
    source.Hang();
    auto deadline = std::chrono::steady_clock::now() + 2s;
    while (loop.Running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(loop.Running());
    EXPECT_FALSE(loop.Post([] {}));
    bool last = false;
    loop.Stop([&] { last = true; });
    EXPECT_TRUE(last);  // the clean-up still runs, and finds the connection gone
}
